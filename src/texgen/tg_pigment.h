// Pigments: colour fields over 3-D space. A texture pigment looks a shaped noise value
// up in a colour map; a layered pigment composites pigments over one another.
#pragma once

#include <cstddef>
#include <vector>

#include "app/app_color.h"
#include "app/app_random.h"
#include "app/app_refcount.h"
#include "texgen/tg_colormap.h"
#include "texgen/tg_noise.h"

class IPigment : public CRefCountedObject {
public:
    ~IPigment() override = default;
    // The colour with alpha at a point.
    virtual void GetColor(ColorValue& out, double x, double y, double z) const = 0;
    // The colour the flat and projected renders use.
    virtual void GetOpaqueColor(ColorValue& out, double x, double y, double z) const = 0;

    // The most points one call of the run versions below takes.
    static constexpr size_t kMaxRun = 64;
    // GetColor and GetOpaqueColor over a run of up to kMaxRun points: out[i] is exactly
    // the single call's colour at (x[i], y[i], z[i]). Pigments override them to do one
    // step over the whole run before the next (fewer calls, steadier branches).
    virtual void GetColors(ColorValue* out, const double* x, const double* y, const double* z,
                           size_t count) const;
    virtual void GetOpaqueColors(ColorValue* out, const double* x, const double* y,
                                 const double* z, size_t count) const;
};

class CTexturePigment : public IPigment {
public:
    // Takes a reference to the noise, then to the map.
    CTexturePigment(NoiseShaper shaper, CNoise* noise, CColorMap* map);
    // Gives back the noise's reference, then the map's.
    ~CTexturePigment() override;

    void GetColor(ColorValue& out, double x, double y, double z) const override;
    // The same as GetColor: the map's alpha is kept.
    void GetOpaqueColor(ColorValue& out, double x, double y, double z) const override;
    // Every shaped noise value of the run, then every lookup.
    void GetColors(ColorValue* out, const double* x, const double* y, const double* z,
                   size_t count) const override;
    void GetOpaqueColors(ColorValue* out, const double* x, const double* y, const double* z,
                         size_t count) const override;

    NoiseShaper Shaper() const { return shaper; }
    CNoise* Noise() const { return noise; }
    CColorMap* Map() const { return map; }

private:
    NoiseShaper shaper;
    CNoise* noise;   // one reference held
    CColorMap* map;  // one reference held
};

class CLayeredPigment : public IPigment {
public:
    CLayeredPigment() = default;
    // Releases every layer, first to last.
    ~CLayeredPigment() override;

    // Appends a layer on top and takes a reference to it.
    void AddLayer(IPigment* layer);

    // The layers composited with BlendColorOver, the last on top.
    void GetColor(ColorValue& out, double x, double y, double z) const override;
    // The layers painted in order onto black by their own alpha; opaque once there is a
    // layer, (0, 0, 0, 0) without layers.
    void GetOpaqueColor(ColorValue& out, double x, double y, double z) const override;
    // The same painting, one layer over the whole run at a time.
    void GetOpaqueColors(ColorValue* out, const double* x, const double* y, const double* z,
                         size_t count) const override;

    const std::vector<IPigment*>& Layers() const { return layers; }

private:
    std::vector<IPigment*> layers;  // bottom first; one reference held on each
};

// `top` over `bottom`, colour channels not premultiplied. When both weights are tiny
// the channels are the plain weighted sum (no division).
ColorValue BlendColorOver(const ColorValue& top, const ColorValue& bottom);

// Two to seven random texture pigments over a palette of eight colours, drawn from the
// source in a fixed order. The bottom layer is opaque, the others veils with stop
// opacities below 0.5. Count 1, owned by the caller.
CLayeredPigment* CreateRandomLayeredPigment(CRandomSource& source, const ColorValue palette[8]);
