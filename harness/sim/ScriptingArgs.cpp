#include "ScriptingArgs.h"

#include "HarnessMain.h"

namespace frostel::hostsim {

namespace {

std::vector<uint8_t> Bytes(const std::string& text) { return std::vector<uint8_t>(text.begin(), text.end()); }

}  // namespace

int ParseScriptingOption(const std::string& opt, const std::function<bool(std::string&)>& next,
                         ScriptingArgs& out, std::string& error) {
    std::string text;
    long n = 0;
    auto file = [&](std::string& into) {
        if (next(text) && !text.empty()) {
            into = text;
            return 1;
        }
        error = opt + " needs a file name";
        return 0;
    };
    if (opt == "--registry") return file(out.registry);
    if (opt == "--record") return file(out.record);
    if (opt == "--replay") return file(out.replay);
    if (opt == "--play-info") {
        if (!next(text) || !ToInt(text, 0, 2, n)) return error = "--play-info needs 0, 1 or 2", 0;
        out.options.playInfo = int16_t(n);
        return 1;
    }
    if (opt == "--host-version") {
        if (!next(text) || !ToInt(text, 0, 1000000, n)) return error = "--host-version needs a version number", 0;
        out.options.hostVersion = int32_t(n);
        return 1;
    }
    if (opt == "--limited-edition") {
        out.options.limitedEdition = true;
        return 1;
    }
    if (opt == "--no-descriptor-parameters") {
        out.options.descriptorParameters = false;
        return 1;
    }
    return -1;
}

std::string ScriptingUsage() {
    return "  --registry <file>       the descriptor registry's persistent entries: restored\n"
           "                          before the runs, written after them\n"
           "  --record <file>         write the descriptor the filter recorded at its last finish\n"
           "  --replay <file>         hand this recorded descriptor to every run\n"
           "  --play-info N           its dialog option: 0 don't display (default), 1 display,\n"
           "                          2 silent\n"
           "  --no-descriptor-parameters\n"
           "                          offer no classic descriptor callbacks\n"
           "  --host-version N        the application's major version (0: not told; default 21)\n"
           "  --limited-edition       the application says it is a limited edition\n"
           "  Suites are switched off with --no-suite: the registry is\n"
           "  61e608b0-40fd-11d1-8da3-00c04fd5f7ee, the action descriptors\n"
           "  df135115-c769-11d0-8079-00c04fd7ec47, the references\n"
           "  df135117-c769-11d0-8079-00c04fd7ec47, the action control\n"
           "  3eb7c480-8797-11d1-8da7-00c04fd5f7ee.\n";
}

bool LoadScriptingFiles(const ScriptingArgs& args, DescriptorService& service, const ReadFile& read,
                        std::string& error) {
    std::vector<uint8_t> bytes;
    if (!args.registry.empty() && read(args.registry, bytes)) {
        RegistryEntries entries;
        if (!RegistryFromText(std::string(bytes.begin(), bytes.end()), entries, error)) {
            error = args.registry + ": " + error;
            return false;
        }
        service.RestorePersistent(entries);
    }
    if (!args.replay.empty()) {
        if (!read(args.replay, bytes)) {
            error = "cannot read " + args.replay;
            return false;
        }
        ActionDescriptorData action;
        if (!DescriptorFromText(std::string(bytes.begin(), bytes.end()), action, error)) {
            error = args.replay + ": " + error;
            return false;
        }
        service.Replay(std::move(action));
    }
    return true;
}

bool SaveScriptingFiles(const ScriptingArgs& args, const DescriptorService& service, const WriteFile& write,
                        std::string& error) {
    if (!args.registry.empty() && !write(args.registry, Bytes(RegistryToText(service.PersistentEntries())))) {
        error = "cannot write " + args.registry;
        return false;
    }
    if (!args.record.empty()) {
        const std::optional<ActionDescriptorData> recorded = service.Recorded();
        if (!recorded) {
            error = "the filter recorded no descriptor; " + args.record + " was not written";
            return false;
        }
        if (!write(args.record, Bytes(DescriptorToText(*recorded)))) {
            error = "cannot write " + args.record;
            return false;
        }
    }
    return true;
}

}  // namespace frostel::hostsim
