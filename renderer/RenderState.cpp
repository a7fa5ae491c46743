// The render globals with their defaults, and their setters and getters.
#include "Engine.h"

extern "C" {

float* ZBuff = nullptr;
int32_t Zwidth = 0;
int32_t Zheight = 0;
uint8_t _Deep = 0;
uint8_t _DrawMode = 6;
uint8_t _Quality = 1;
uint8_t _DrawBackFaces = 0;
uint8_t _DrawBackFaces1 = 0;
uint8_t _DubleSide = 0;
uint8_t _UseMultyRefract = 1;
uint8_t _UsePhong2 = 0;
float _WireSize = 1.0f;
float _Persp_Val = 0.0f;
float _Persp_x = 0.0f;
float _Persp_y = 0.0f;
float _Persp_Far = 1000.0f;
uint8_t _UseGlass = 0;
uint8_t _UseReflection = 0;
uint8_t _UseCustomMats = 1;
uint8_t _UsePersp = 0;

void __SetDrawMode(uint8_t value) { _DrawMode = value; }
uint8_t __GetDrawMode() { return _DrawMode; }
void __SetQuality(uint8_t value) { _Quality = value < 2 ? value : 1; }
uint8_t __GetQuality() { return _Quality; }
void __SetDeep(uint8_t value) { _Deep = value; }
uint8_t __GetDeep() { return _Deep; }
void __SetDrawBackFaces(uint8_t value) { _DrawBackFaces = value; }
uint8_t __GetDrawBackFaces() { return _DrawBackFaces; }
void __SetDubleSide(uint8_t value) { _DubleSide = value; }
uint8_t __GetDubleSide() { return _DubleSide; }
void __SetUseMultyRefract(uint8_t value) { _UseMultyRefract = value; }
uint8_t __GetUseMultyRefract() { return _UseMultyRefract; }
void __SetUsePhong2(uint8_t value) { _UsePhong2 = value; }
uint8_t __GetUsePhong2() { return _UsePhong2; }
void __SetUseGlass(uint8_t value) { _UseGlass = value; }
uint8_t __GetUseGlass() { return _UseGlass; }
void __SetUseReflection(uint8_t value) { _UseReflection = value; }
uint8_t __GetUseReflection() { return _UseReflection; }
void __SetUseCustomMats(uint8_t value) { _UseCustomMats = value; }
uint8_t __GetUseCustomMats() { return _UseCustomMats; }
void __SetUsePersp(uint8_t value) { _UsePersp = value; }
uint8_t __GetUsePersp() { return _UsePersp; }

void __SetZBuff(float* buffer, int width, int height) {
    if (buffer != nullptr && width >= 1 && height > 0) {
        ZBuff = buffer;
        Zwidth = width;
        Zheight = height;
    } else {
        ZBuff = nullptr;
        Zwidth = 0;
        Zheight = 0;
    }
}

void __GetZBuff(float*& buffer, int& width, int& height) {
    buffer = ZBuff;
    width = Zwidth;
    height = Zheight;
}

void __SetLightDef(light3ds* light) { _LightDef = light; }
void __SetDefRenderOnePixel() { RenderOnePixel = __DefRenderOnePixel; }
void __SetNewRenderOnePixel(RenderOnePixelProc shader) {
    RenderOnePixel = shader != nullptr ? shader : __DefRenderOnePixel;
}

}  // extern "C"

uint8_t __GetDrawBackFaces1() { return _DrawBackFaces1; }
