// Every draw mode through the 64-bit module's exports: the module's flags are
// its exported data, and its pictures equal the linked renderer's.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "ModuleLoader.h"
#include "RenderKit.h"

namespace rtest {
namespace {

using frostel::hostsim::LoadedModule;
using frostel::hostsim::Widen;

HMODULE Module() {
    static LoadedModule module(Widen(FROSTEL_MODULE_FILE));
    return module.get();
}

template <typename T>
T* Export(const char* name) {
    return reinterpret_cast<T*>(reinterpret_cast<void*>(GetProcAddress(Module(), name)));
}
template <typename F>
F Function(const char* name) {
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(Module(), name)));
}

TEST(ModuleRenderer, FlagsAreTheExportedData) {
    ASSERT_NE(Module(), nullptr) << FROSTEL_MODULE_FILE;
    auto* drawMode = Export<uint8_t>("_DrawMode");
    auto* getDrawMode = Function<uint8_t (*)()>("__GetDrawMode");
    auto* setQuality = Function<void (*)(uint8_t)>("__SetQuality");
    auto* quality = Export<uint8_t>("_Quality");
    auto* setZBuff = Function<void (*)(float*, int, int)>("__SetZBuff");
    auto** zbuff = Export<float*>("ZBuff");
    auto* zwidth = Export<int32_t>("Zwidth");
    ASSERT_TRUE(drawMode && getDrawMode && setQuality && quality && setZBuff && zbuff && zwidth);
    EXPECT_EQ(*drawMode, 6);  // the defaults
    EXPECT_EQ(*Export<float>("_Persp_Far"), 1000.0f);
    *drawMode = 9;
    EXPECT_EQ(getDrawMode(), 9);
    setQuality(7);
    EXPECT_EQ(*quality, 1);
    float depth[6];
    setZBuff(depth, 3, 2);
    EXPECT_EQ(*zbuff, depth);
    EXPECT_EQ(*zwidth, 3);
    setZBuff(nullptr, 0, 0);
    *drawMode = 6;
    // Separate state: the linked renderer's copy is not the module's.
    EXPECT_NE(static_cast<void*>(drawMode), static_cast<void*>(&_DrawMode));
}

TEST(ModuleRenderer, EveryModeDrawsAsTheLinkedRendererDoes) {
    ASSERT_NE(Module(), nullptr) << FROSTEL_MODULE_FILE;
    using RasterScene = decltype(&__RasterScene);
    auto* raster = Function<RasterScene>("__RasterScene");
    auto* drawMode = Export<uint8_t>("_DrawMode");
    auto* quality = Export<uint8_t>("_Quality");
    ASSERT_TRUE(raster && drawMode && quality);
    Flags keep;
    const Rgba src = Checker(96, 96), blank(96, 96);
    for (uint8_t mode : {0, 1, 2, 3, 6, 8, 9, 10}) {
        for (uint8_t q : {0, 1}) {
            SCOPED_TRACE("mode " + std::to_string(mode) + " quality " + std::to_string(q));
            Scene s = Dome(40, 12, 48, 48);
            s.glass.push_back({1, 1.5f, 8.0f, 30.0f});
            Rgba viaModule = blank, linked = blank;
            *drawMode = mode, *quality = q;
            raster(viaModule.px.data(), const_cast<uint8_t*>(src.px.data()), 96, 96, 96 * 4, int(s.points.size()),
                   int(s.triangles.size()), s.triangles.data(), s.points.data(), s.offX, s.offY, 1,
                   s.materials.data(), s.textures.data(), int(s.lights.size()), s.lights.data(), s.glass.data());
            _DrawMode = mode, _Quality = q;
            Render(linked, src, s);
            EXPECT_FALSE(viaModule == blank) << "nothing drawn";
            EXPECT_TRUE(viaModule == linked);
        }
    }
    *drawMode = 6, *quality = 1;
}

}  // namespace
}  // namespace rtest
