#include "HarnessMain.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <limits>

#include "FilterParameters.h"
#include "ImageIO.h"
#include "PresetFormat.h"
#include "WorkPath.h"

namespace frostel::hostsim {

bool ToInt(const std::string& text, long lo, long hi, long& value) {
    if (text.empty()) return false;
    errno = 0;
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (errno || *end || v < lo || v > hi) return false;
    value = v;
    return true;
}

namespace {

// `count` comma-separated integers in [lo, hi].
bool ToInts(const std::string& text, int count, long lo, long hi, long* out) {
    size_t start = 0;
    for (int i = 0; i < count; ++i) {
        const size_t comma = text.find(',', start);
        const bool last = i == count - 1;
        if (last != (comma == std::string::npos)) return false;
        if (!ToInt(text.substr(start, last ? std::string::npos : comma - start), lo, hi, out[i])) return false;
        start = comma + 1;
    }
    return true;
}

}  // namespace

std::string HarnessUsage() {
    return "usage: harness <module.8bf> <in.png> <out.png> [options]\n"
           "       harness <module.8bf> --about [options]\n"
           "\n"
           "Runs an image filter module on a PNG the way an image editor would.\n"
           "\n"
           "  --mode rgb|cmyk|lab|N   document mode (cmyk converts in and back out; lab or\n"
           "                          another mode number keeps the file's values)\n"
           "  --alpha                 give the document an alpha plane\n"
           "  --planes N              offer 1 to 5 planes (colour, alpha, one more)\n"
           "  --filter-rect T,L,B,R   filter this rectangle instead of the selection's bounds\n"
           "  --row-padding N         N spare bytes after every row of the buffers served\n"
           "  --mask <grey.png>       selection, same size as the image\n"
           "  --path <path.txt>       the document's work path (open/closed, knot X Y [BX BY AX AY],\n"
           "                          record S; document pixels)\n"
           "  --no-property-procs     serve no document properties (no paths)\n"
           "  --runs N                run N times: first with parameters, then repeats (default 1)\n"
           "  --about                 call the about selector first\n"
           "  --selector S            call selector S after the runs (repeatable)\n"
           "  --log <file.json>       write every host call and selector result\n"
           "  --no-big-document       offer no 32-bit coordinates\n"
           "  --no-basic-suite        offer no basic suite\n"
           "  --no-suite NAME[@V]     refuse that suite (every version, or version V)\n"
           "  --no-handle-procs       offer no handle callbacks\n"
           "  --no-color-services     offer no colour-services callback\n"
           "  --no-progress           offer no progress callback\n"
           "  --timing                print the milliseconds spent reading the files, running\n"
           "                          the filter, writing the result, and inside the module's\n"
           "                          selectors (the host's callbacks from there included)\n"
           "  --threads N             the module renders on N threads (1 to 256; by default one per\n"
           "                          core): sets FROSTEL_RENDER_THREADS before the module loads\n"
           "  --pick-color R,G,B      what the host's colour picker answers\n"
           "  --pick-cancel           the user cancels the host's colour picker\n"
           "  --fail-convert N        the N-th colour space conversion fails\n"
           "  --handle-procs-version N\n"
           "                          report this handle callback table version\n"
           "  --fail-new N            the N-th handle allocation fails\n"
           "  --fail-lock N           the N-th handle lock fails\n"
           "  --drop-handle parameters|data\n"
           "                          lose that handle before the start selector\n"
           "  --refuse-advance        refuse every advanceState request\n"
           "  --abort-after N         report a user abort after N abort checks\n"
           "  --show-dialog           show the filter dialog to the person at the screen (the default\n"
           "                          answers it with OK unseen, as a host without dialogs)\n"
           "  --dialog-script <file>  drive the filter dialog with the script's lines and log what\n"
           "                          it shows (harness/sim/DialogWatch.h lists the commands)\n"
           "  --dialog-ok-after MS    with --dialog-script: OK arrives MS ms\n"
           "                          after the dialog opened, from another thread (a click\n"
           "                          while it may be busy); the log says how long it took to end\n"
           "  --help                  this text\n"
           "\n"
           "Parameters:\n"
           "  --preset FILE           apply a preset file (.frlpst) after the parameters\n"
           "                          selector, before any --set\n" +
           ParameterUsage() +
           "\n"
           "Layered documents:\n" +
           LayerUsage() +
           "\n"
           "Scripting:\n" +
           ScriptingUsage() +
           "\n"
           "Exit code 0 when every selector returned 0; the output is written only then.\n";
}

ParsedArgs ParseHarnessArgs(const std::vector<std::string>& argv) {
    ParsedArgs p;
    HarnessArgs& a = p.args;
    std::vector<std::string> positional;
    auto fail = [&](std::string why) {
        p.ok = false;
        p.error = std::move(why);
        return p;
    };
    for (size_t i = 0; i < argv.size(); ++i) {
        const std::string& opt = argv[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= argv.size()) return false;
            out = argv[++i];
            return true;
        };
        auto number = [&](long lo, long hi, long& out) {
            std::string text;
            return value(text) && ToInt(text, lo, hi, out);
        };
        long n = 0;
        std::string text, why;
        if (opt == "--help" || opt == "-h") {
            a.help = true;
        } else if (opt == "--mode") {
            if (!value(text)) return fail("--mode needs rgb or cmyk");
            if (text == "rgb") a.mode = pi::plugInModeRGBColor;
            else if (text == "cmyk") a.mode = pi::plugInModeCMYKColor;
            else if (text == "lab") a.mode = pi::plugInModeLabColor;
            else if (ToInt(text, 0, 15, n)) a.mode = int16_t(n);
            else return fail("--mode: '" + text + "' is not rgb, cmyk, lab or a mode from 0 to 15");
        } else if (opt == "--planes") {
            if (!number(1, 5, n)) return fail("--planes needs a count from 1 to 5");
            a.planes = int16_t(n);
        } else if (opt == "--filter-rect") {
            long v[4];
            if (!value(text) || !ToInts(text, 4, 0, std::numeric_limits<int32_t>::max(), v))
                return fail("--filter-rect needs top,left,bottom,right");
            a.options.filterRect = pi::VRect{int32_t(v[0]), int32_t(v[1]), int32_t(v[2]), int32_t(v[3])};
        } else if (opt == "--row-padding") {
            if (!number(0, 4096, n)) return fail("--row-padding needs a byte count from 0 to 4096");
            a.options.rowPadding = int32_t(n);
        } else if (opt == "--no-progress") {
            a.options.progress = false;
        } else if (opt == "--no-color-services") {
            a.options.colorServices = false;
        } else if (opt == "--pick-color") {
            long v[3];
            if (!value(text) || !ToInts(text, 3, 0, 255, v)) return fail("--pick-color needs r,g,b from 0 to 255");
            a.options.pickedColor = {uint8_t(v[0]), uint8_t(v[1]), uint8_t(v[2])};
        } else if (opt == "--pick-cancel") {
            a.options.pickCancelled = true;
        } else if (opt == "--fail-convert") {
            if (!number(1, std::numeric_limits<int>::max(), n)) return fail("--fail-convert needs a call number from 1");
            a.options.failConvertAt = int(n);
        } else if (opt == "--alpha") {
            a.alpha = true;
        } else if (opt == "--mask") {
            if (!value(a.mask)) return fail("--mask needs a grey PNG");
        } else if (opt == "--path") {
            if (!value(a.workPath)) return fail("--path needs a path text file");
        } else if (opt == "--preset") {
            if (!value(a.preset) || a.preset.empty()) return fail("--preset needs a preset file");
        } else if (opt == "--set") {
            ParameterSetting setting;
            if (!value(text)) return fail("--set needs KEY=VALUE");
            if (!ParseParameterSetting(text, setting, why)) return fail(why);
            a.settings.push_back(setting);
        } else if (opt == "--no-property-procs") {
            a.propertyProcs = false;
        } else if (opt == "--runs") {
            if (!number(0, 1000, n)) return fail("--runs needs a count from 0 to 1000");
            a.runs = int(n);
        } else if (opt == "--about") {
            a.about = true;
        } else if (opt == "--timing") {
            a.timing = true;
        } else if (opt == "--threads") {
            if (!number(1, 256, n)) return fail("--threads needs a count from 1 to 256");
            a.renderThreads = int(n);
        } else if (opt == "--selector") {
            if (!number(-32768, 32767, n)) return fail("--selector needs a 16-bit selector number");
            a.selectors.push_back(int16_t(n));
        } else if (opt == "--log") {
            if (!value(a.log)) return fail("--log needs a file name");
        } else if (opt == "--no-big-document") {
            a.options.bigDocument = false;
        } else if (opt == "--no-basic-suite") {
            a.options.basicSuite = false;
        } else if (opt == "--no-suite") {
            if (!value(text) || text.empty()) return fail("--no-suite needs a suite name");
            a.options.disabledSuites.insert(text);
        } else if (opt == "--no-handle-procs") {
            a.options.handleProcs = false;
        } else if (opt == "--handle-procs-version") {
            if (!number(0, 32767, n)) return fail("--handle-procs-version needs a version from 0 to 32767");
            a.options.handleProcsVersion = int16_t(n);
        } else if (opt == "--fail-new") {
            if (!number(1, std::numeric_limits<int>::max(), n)) return fail("--fail-new needs a call number from 1");
            a.options.failNewAt = int(n);
        } else if (opt == "--fail-lock") {
            if (!number(1, std::numeric_limits<int>::max(), n)) return fail("--fail-lock needs a call number from 1");
            a.options.failLockAt = int(n);
        } else if (opt == "--drop-handle") {
            if (!value(text)) return fail("--drop-handle needs parameters or data");
            if (text == "parameters") a.options.dropHandle = DropHandle::Parameters;
            else if (text == "data") a.options.dropHandle = DropHandle::Data;
            else return fail("--drop-handle: '" + text + "' is not parameters or data");
        } else if (opt == "--show-dialog") {
            a.options.dialog = DialogAnswer::Show;
        } else if (opt == "--dialog-script") {
            if (!value(a.dialogScript)) return fail("--dialog-script needs a script file");
            a.options.dialog = DialogAnswer::Script;
        } else if (opt == "--dialog-ok-after") {
            if (!number(0, 3600000, n)) return fail("--dialog-ok-after needs milliseconds from 0");
            a.options.dialogOkAfterMs = int(n);
        } else if (opt == "--refuse-advance") {
            a.options.refuseAdvance = true;
        } else if (opt == "--abort-after") {
            if (!number(0, std::numeric_limits<int>::max(), n)) return fail("--abort-after needs a count from 0");
            a.options.abortAfter = int(n);
        } else if (const int layer = ParseLayerOption(opt, value, a.layers, text); layer >= 0) {
            if (layer == 0) return fail(text);
        } else if (const int scripting = ParseScriptingOption(opt, value, a.scripting, text); scripting >= 0) {
            if (scripting == 0) return fail(text);
        } else if (opt.size() > 1 && opt[0] == '-') {
            return fail("unknown option " + opt);
        } else {
            positional.push_back(opt);
        }
    }
    if (a.help) {
        p.ok = true;
        return p;
    }
    if (positional.size() > 3) return fail("too many file names");
    if (positional.empty()) return fail("no module given");
    a.module = positional[0];
    if (positional.size() == 2) return fail("no output PNG given");
    if (positional.size() == 3) {
        a.input = positional[1];
        a.output = positional[2];
    } else if (!a.about && a.selectors.empty()) {
        return fail("no input and output PNG given");
    }
    if (a.input.empty() && !a.mask.empty()) return fail("--mask needs an input image");
    if (a.input.empty() && a.layers.any) return fail("layers need an input image (the background)");
    p.ok = true;
    return p;
}

FileAccess StandardFileAccess() {
    return {ReadFileBytes, WriteFileBytes};
}

int RunHarness(const HarnessArgs& args, EntryPoint entry, const FileAccess& files, std::ostream& out,
               std::ostream& err) {
    Options options = args.options;
    if (!args.dialogScript.empty()) {
        std::vector<uint8_t> bytes;
        if (!files.read(args.dialogScript, bytes)) {
            err << "harness: cannot read " << args.dialogScript << "\n";
            return kExitFiles;
        }
        std::string line;
        for (uint8_t b : bytes) {
            if (b == '\n') {
                options.dialogScript.push_back(line);
                line.clear();
            } else if (b != '\r') {
                line += char(b);
            }
        }
        if (!line.empty()) options.dialogScript.push_back(line);
    }
    Host host(entry, options);
    std::string preset;  // the preset file's bytes, read before anything runs
    if (!args.preset.empty()) {
        std::vector<uint8_t> bytes;
        if (!files.read(args.preset, bytes)) {
            err << "harness: cannot read the preset " << args.preset << "\n";
            return kExitFiles;
        }
        preset.assign(bytes.begin(), bytes.end());
        FilterParameters probe{};
        if (!ReadPresetText(preset.data(), preset.size(), probe)) {
            err << "harness: " << args.preset << " is no preset (no \"" << kPresetHeader << "\" line)\n";
            return kExitFiles;
        }
    }
    if (!args.settings.empty() || !preset.empty())
        host.SetParametersHook([&args, &preset](uint8_t* record, size_t size) {
            if (!preset.empty() && record != nullptr && size >= sizeof(FilterParameters)) {
                auto& p = *reinterpret_cast<FilterParameters*>(record);
                ReadPresetText(preset.data(), preset.size(), p);
                p.geometryDirty = 1;
            }
            ApplyParameterSettings(args.settings, record, size);
        }, kParametersHandleSize);
    DescriptorService scripting(host, args.scripting.options);
    std::unique_ptr<LayerService> layers;  // serves the layered document, when there is one
    auto writeLog = [&]() {
        if (args.log.empty()) return true;
        const std::string text = host.log().ToJson();
        if (files.write(args.log, std::vector<uint8_t>(text.begin(), text.end()))) return true;
        err << "harness: cannot write the log " << args.log << "\n";
        return false;
    };

    using Clock = std::chrono::steady_clock;
    auto since = [](Clock::time_point t) {
        return long(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count());
    };
    const Clock::time_point readStart = Clock::now();
    if (!args.input.empty()) {
        std::vector<uint8_t> bytes;
        std::string why;
        Document doc;
        if (!files.read(args.input, bytes)) {
            err << "harness: cannot read " << args.input << "\n";
            return kExitFiles;
        }
        if (!DocumentFromPng(bytes, args.mode, args.alpha, doc, why, args.planes)) {
            err << "harness: " << args.input << ": " << why << "\n";
            return kExitFiles;
        }
        if (!args.mask.empty()) {
            if (!files.read(args.mask, bytes)) {
                err << "harness: cannot read " << args.mask << "\n";
                return kExitFiles;
            }
            if (!SelectionFromPng(bytes, doc, why)) {
                err << "harness: " << args.mask << ": " << why << "\n";
                return kExitFiles;
            }
        }
        if (args.layers.any) {
            LayeredDocument layered;
            if (!LoadLayeredDocument(args.layers, doc, files.read, layered, why)) {
                err << "harness: " << why << "\n";
                return kExitFiles;
            }
            layers = std::make_unique<LayerService>(host, std::move(layered), args.layers.options);
        } else {
            host.SetDocument(std::move(doc));
        }
    }
    if (args.propertyProcs) {
        WorkPath path;
        if (!args.workPath.empty()) {
            std::vector<uint8_t> bytes;
            std::string why;
            if (!files.read(args.workPath, bytes)) {
                err << "harness: cannot read " << args.workPath << "\n";
                return kExitFiles;
            }
            if (!ParseWorkPath(std::string(bytes.begin(), bytes.end()), path, why)) {
                err << "harness: " << args.workPath << ": " << why << "\n";
                return kExitFiles;
            }
        }
        ServePaths(host, args.workPath.empty() ? nullptr : &path);
    }

    if (std::string why; !LoadScriptingFiles(args.scripting, scripting, files.read, why)) {
        err << "harness: " << why << "\n";
        return kExitFiles;
    }

    const long readMs = since(readStart);
    const Clock::time_point filterStart = Clock::now();
    bool ok = true;
    if (args.about) {
        if (int16_t r = host.About()) {
            err << "harness: about (0) returned " << r << "\n";
            ok = false;
        }
    }
    for (int run = 0; ok && !args.input.empty() && run < args.runs; ++run) {
        const RunResult rr = host.RunFilter(run == 0);
        if (!rr.ok) {
            err << "harness: run " << run + 1 << ": " << rr.message << "\n";
            ok = false;
        }
    }
    for (size_t i = 0; ok && i < args.selectors.size(); ++i) {
        const int16_t s = args.selectors[i];
        if (int16_t r = host.CallSelector(s)) {
            err << "harness: selector " << s << " (" << SelectorName(s) << ") returned " << r << "\n";
            ok = false;
        }
    }
    if (host.OutstandingLocks() || host.Misuses())
        err << "harness: warning: " << host.OutstandingLocks() << " handle lock(s) left, " << host.Misuses()
            << " misuse(s) of host services\n";

    if (std::string why; !SaveScriptingFiles(args.scripting, scripting, files.write, why)) {
        err << "harness: " << why << "\n";
        ok = false;
    }

    const long filterMs = since(filterStart);
    const bool logged = writeLog();
    if (!ok) {
        if (!args.output.empty()) err << "harness: the filter failed; " << args.output << " was not written\n";
        return kExitFilterFailed;
    }
    if (!args.output.empty()) {
        std::vector<uint8_t> png;
        std::string why;
        if (!DocumentToPng(host.document(), png, why)) {
            err << "harness: cannot encode the result: " << why << "\n";
            return kExitFiles;
        }
        if (!files.write(args.output, png)) {
            err << "harness: cannot write " << args.output << "\n";
            return kExitFiles;
        }
        out << "harness: wrote " << args.output << "\n";
    }
    if (args.timing)
        out << "harness: timing: read " << readMs << " ms, filter " << filterMs << " ms, write "
            << since(filterStart) - filterMs << " ms; in the module's selectors "
            << long(host.SelectorSeconds() * 1000.0 + 0.5) << " ms\n";
    return logged ? kExitOk : kExitFiles;
}

}  // namespace frostel::hostsim
