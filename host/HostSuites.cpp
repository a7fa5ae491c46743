#include "HostSuites.h"

#include "Plugin.h"

namespace frostel {

SuiteHolder gActionDescriptorHolder{nullptr, 3, pi::kPSActionDescriptorSuite, 0};
SuiteHolder gActionReferenceHolder{nullptr, 3, pi::kPSActionReferenceSuite, 0};
SuiteHolder gLayerReferenceHolder{nullptr, 2, pi::kPSActionReferenceSuite, 0};
SuiteHolder gActionControlHolder{nullptr, 1, pi::kPSActionControlSuite, 0};
SuiteHolder gPropertySuiteHolder{nullptr, 1, pi::kPSPropertySuite, 0};
SuiteHolder gAccessSuiteHolder{nullptr, 3, pi::kSPAccessSuite, 0};
SuiteHolder gZStringHolder{nullptr, 1, "AS ZString Suite", 0};
SuiteHolder gSuiteBc1e4d70Holder{nullptr, 2, "bc1e4d70-f953-11d0-8d9f-00c04fd5f7ee", 0};
SuiteHolder gActionListHolder{nullptr, 2, "df135116-c769-11d0-8079-00c04fd7ec47", 0};
SuiteHolder gAliasUtilityHolder{nullptr, 1, "Photoshop Alias Utility Suite", 0};
SuiteHolder gBufferSuiteHolder{nullptr, 1, "Photoshop Buffer Suite for Plug-ins", 0};
SuiteHolder gChannelPortsHolder{nullptr, 3, pi::kPSChannelPortsSuite, 0};
SuiteHolder gGetFileListHolder{nullptr, 4, "Photoshop GetFileList Suite for Plug-ins", 0};
SuiteHolder gHandleSuiteHolder{nullptr, 2, "Photoshop Handle Suite for Plug-ins", 0};
SuiteHolder gDescriptorRegistryHolder{nullptr, 1, pi::kPSDescriptorRegistrySuite, 0};
SuiteHolder gResourceSuiteHolder{nullptr, 3, "Photoshop Resource Suite for Plug-ins", 0};
SuiteHolder gUIHooksHolder{nullptr, 1, "Photoshop UIHooks Suite for Plug-ins", 0};
SuiteHolder gRuntimeSuiteHolder{nullptr, 5, "SP Runtime Suite", 0};

SuiteHolder* const gSuiteHolders[kSuiteHolderCount] = {
    &gActionDescriptorHolder, &gActionReferenceHolder, &gLayerReferenceHolder, &gActionControlHolder,
    &gPropertySuiteHolder,    &gAccessSuiteHolder,     &gZStringHolder,        &gSuiteBc1e4d70Holder,
    &gActionListHolder,       &gAliasUtilityHolder,    &gBufferSuiteHolder,    &gChannelPortsHolder,
    &gGetFileListHolder,      &gHandleSuiteHolder,     &gDescriptorRegistryHolder,
    &gResourceSuiteHolder,    &gUIHooksHolder,         &gRuntimeSuiteHolder,
};

const void* TryAcquireSuiteHolder(SuiteHolder& holder) {
    if (holder.suite != nullptr) return holder.suite;
    pi::SPBasicSuite* basic = gBasicSuite;
    if (basic == nullptr || basic->AcquireSuite == nullptr) return nullptr;
    const void* suite = nullptr;
    holder.lastResult = basic->AcquireSuite(holder.name, holder.version, &suite);
    if (holder.lastResult != 0) return nullptr;
    if (suite == nullptr) {
        // Success without a suite: hand the acquisition back, nothing to use.
        if (basic->ReleaseSuite != nullptr) basic->ReleaseSuite(holder.name, holder.version);
        holder.lastResult = pi::errPlugInHostInsufficient;
        return nullptr;
    }
    holder.suite = suite;
    return suite;
}

const void* AcquireSuiteHolder(SuiteHolder& holder) {
    const void* suite = TryAcquireSuiteHolder(holder);
    if (suite == nullptr) throw SuiteFailure(holder.name);
    return suite;
}

void ReleaseSuiteHolder(SuiteHolder& holder) {
    pi::SPBasicSuite* basic = gBasicSuite;
    if (holder.suite == nullptr || holder.name == nullptr || basic == nullptr || basic->ReleaseSuite == nullptr)
        return;
    basic->ReleaseSuite(holder.name, holder.version);
    holder.suite = nullptr;
}

void ReleaseSuiteHolders() {
    for (SuiteHolder* holder : gSuiteHolders) ReleaseSuiteHolder(*holder);
}

void* GetModuleInstance(void* plugInRef) {
    if (plugInRef == nullptr) return gModule;
    const auto* access = static_cast<const pi::SPAccessSuite*>(TryAcquireSuiteHolder(gAccessSuiteHolder));
    if (access == nullptr || access->GetPluginAccess == nullptr || access->GetAccessInfo == nullptr)
        return gModule;
    pi::SPAccessRef ref = nullptr;
    if (access->GetPluginAccess(static_cast<pi::SPPluginRef>(plugInRef), &ref) != 0 || ref == nullptr)
        return gModule;
    pi::SPPlatformAccessInfo info{};
    if (access->GetAccessInfo(ref, &info) != 0) return gModule;
    void* instance = info.resourceInstance != nullptr ? info.resourceInstance : info.defaultInstance;
    if (instance != nullptr) gModule = instance;
    return gModule;
}

ScopedSuite::ScopedSuite(const char* name, int32_t version)
    : name_(name), version_(version), basic_(gBasicSuite) {
    if (basic_ == nullptr || basic_->AcquireSuite == nullptr) {
        result_ = pi::errPlugInHostInsufficient;
        return;
    }
    const void* suite = nullptr;
    result_ = basic_->AcquireSuite(name, version, &suite);
    acquired_ = result_ == 0;
    if (acquired_) suite_ = suite;
    if (acquired_ && suite == nullptr) result_ = pi::errPlugInHostInsufficient;
}

ScopedSuite::~ScopedSuite() {
    // Every acquisition the host granted is handed back, even one without a suite.
    if (acquired_ && basic_->ReleaseSuite != nullptr) basic_->ReleaseSuite(name_, version_);
}

}  // namespace frostel
