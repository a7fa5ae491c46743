// The host's suites, held by the module.
//
// A suite that the module keeps for the rest of its life sits in one of the
// static holders below: acquired on first use through the host's basic suite
// (the one from the current host call, gBasicSuite), kept while the module
// is loaded, and released when the module is unloaded with FreeLibrary.
//
// Acquiring a held suite from another part of the module:
//
//     const auto* procs = AcquireSuiteAs<pi::SPAccessSuite>(gAccessSuiteHolder);
//
// AcquireSuiteHolder throws SuiteFailure when the host has no such suite (or
// no basic suite at all); the entry turns it into -30900. Where nothing may
// be thrown (window and thread procedures, reads that only "yield no
// answer"), use TryAcquireSuiteHolder, which returns null instead.
//
// A suite needed only for the length of one operation is not held: take it
// with ScopedSuite, which releases it when it goes out of scope.
#pragma once

#include <cstdint>
#include <stdexcept>

#include "HostInterface.h"

namespace frostel {

// A host service the selector needs is missing; caught at the entry, which
// reports -30900.
class SuiteFailure : public std::runtime_error {
public:
    explicit SuiteFailure(const char* what) : std::runtime_error(what) {}
};

struct SuiteHolder {
    const void* suite;    // null until acquired
    int32_t version;
    const char* name;     // a GUID text or a plain name
    int32_t lastResult;   // result of the last acquisition
};

// The eighteen holders. The first six are used by the module.
extern SuiteHolder gActionDescriptorHolder;   // action descriptors v3 (host version query)
extern SuiteHolder gActionReferenceHolder;    // action references v3 (host version query)
extern SuiteHolder gLayerReferenceHolder;     // action references v2 (layer properties)
extern SuiteHolder gActionControlHolder;      // action control v1 (layer properties)
extern SuiteHolder gPropertySuiteHolder;      // "Photoshop Property Suite for Plug-ins" v1 (work path)
extern SuiteHolder gAccessSuiteHolder;        // "SP Access Suite" v3 (module instance)
extern SuiteHolder gZStringHolder;
extern SuiteHolder gSuiteBc1e4d70Holder;
extern SuiteHolder gActionListHolder;
extern SuiteHolder gAliasUtilityHolder;
extern SuiteHolder gBufferSuiteHolder;
extern SuiteHolder gChannelPortsHolder;
extern SuiteHolder gGetFileListHolder;
extern SuiteHolder gHandleSuiteHolder;
extern SuiteHolder gDescriptorRegistryHolder;
extern SuiteHolder gResourceSuiteHolder;
extern SuiteHolder gUIHooksHolder;
extern SuiteHolder gRuntimeSuiteHolder;

constexpr int kSuiteHolderCount = 18;
extern SuiteHolder* const gSuiteHolders[kSuiteHolderCount];

// The holder's suite, acquired first when it is still empty. Throws
// SuiteFailure when it cannot be had; the holder then stays empty and a
// later call tries again.
const void* AcquireSuiteHolder(SuiteHolder& holder);
// The same, null instead of a throw.
const void* TryAcquireSuiteHolder(SuiteHolder& holder);

template <typename Suite>
const Suite* AcquireSuiteAs(SuiteHolder& holder) {
    return static_cast<const Suite*>(AcquireSuiteHolder(holder));
}

// Releases a filled holder through the basic suite of the last host call;
// a holder with no suite, or no known basic suite, is left alone. Never
// throws.
void ReleaseSuiteHolder(SuiteHolder& holder);
// Every holder: the module's unload step.
void ReleaseSuiteHolders();

// The module instance: with a null plug-in reference the one stored at
// load; with a reference, the instance the host's access suite reports for
// that plug-in (cached), or the stored one when the host cannot tell.
void* GetModuleInstance(void* plugInRef = nullptr);

// A suite acquired straight through the basic suite for the length of one
// operation. Empty (false) when the host has no basic suite or refuses.
class ScopedSuite {
public:
    ScopedSuite(const char* name, int32_t version);
    ~ScopedSuite();
    ScopedSuite(const ScopedSuite&) = delete;
    ScopedSuite& operator=(const ScopedSuite&) = delete;

    template <typename Suite>
    const Suite* get() const { return static_cast<const Suite*>(suite_); }
    explicit operator bool() const { return suite_ != nullptr; }
    // 0 when the suite is here, else the basic suite's error (-30900 without
    // a basic suite or when the host answered success without a suite).
    int32_t result() const { return result_; }

private:
    const char* name_;
    int32_t version_;
    pi::SPBasicSuite* basic_;  // the one that gave the suite releases it
    const void* suite_ = nullptr;
    int32_t result_ = 0;
    bool acquired_ = false;
};

}  // namespace frostel
