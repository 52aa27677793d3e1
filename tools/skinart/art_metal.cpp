// Surfaces shared by the panels: brushed metal, bevels and screws. Noise comes
// from an integer hash of the pixel position, so every run draws the same grain.
#include "art.h"

#include <algorithm>
#include <cmath>

namespace art {

float hashUnit(uint32_t x, uint32_t y, uint32_t seed)
{
    uint32_t h = x * 0x8da6b343u ^ y * 0xd8163841u ^ seed * 0xcb1ab31fu;
    h ^= h >> 15;
    h *= 0x2c1b3c6du;
    h ^= h >> 12;
    h *= 0x297a2d39u;
    h ^= h >> 15;
    return static_cast<float>(h >> 8) / 16777216.0f;
}

namespace {

float smooth(float t)
{
    return t * t * (3.0f - 2.0f * t);
}

// Value noise along one row, cells of `cell` pixels, each row shifted randomly.
float rowNoise(int x, int y, int cell, uint32_t seed)
{
    const uint32_t row = static_cast<uint32_t>(y);
    const int shifted = x + static_cast<int>(hashUnit(row, 7u, seed) * cell * 8);
    const int index = shifted / cell;
    const float t = smooth(static_cast<float>(shifted % cell) / static_cast<float>(cell));
    const float a = hashUnit(static_cast<uint32_t>(index), row, seed);
    const float b = hashUnit(static_cast<uint32_t>(index + 1), row, seed);
    return (a + (b - a) * t) * 2.0f - 1.0f;
}

} // namespace

float brushedGrain(int x, int y, uint32_t seed)
{
    const int px = x + 4096;
    const float longStreaks = rowNoise(px, y, 37, seed) * 0.55f + rowNoise(px, y + 1, 37, seed) * 0.2f;
    const float shortStreaks = rowNoise(px, y, 9, seed + 1) * 0.35f;
    const float speckle = (hashUnit(static_cast<uint32_t>(px), static_cast<uint32_t>(y), seed + 2) * 2.0f - 1.0f) * 0.25f;
    return longStreaks + shortStreaks + speckle;
}

QRgb toRgb(Rgbf c)
{
    auto channel = [](float v) { return static_cast<int>(std::lround(std::clamp(v, 0.0f, 255.0f))); };
    return qRgb(channel(c.r), channel(c.g), channel(c.b));
}

Rgbf mix(Rgbf a, Rgbf b, float t)
{
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Rgbf scaled(Rgbf c, float k)
{
    return {c.r * k, c.g * k, c.b * k};
}

void fillBrushedMetal(QImage &image, const QRect &area, Rgbf base, float grainAmount, uint32_t seed)
{
    const float width = static_cast<float>(image.width());
    const float height = static_cast<float>(image.height());
    for (int y = area.top(); y <= area.bottom(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = area.left(); x <= area.right(); ++x) {
            const float u = static_cast<float>(x) / width;
            const float v = static_cast<float>(y) / height;
            // Light from the upper left, and a broad soft sheen across the plate.
            const float falloff = 1.10f - 0.16f * v - 0.08f * u;
            const float sheen = 0.07f * std::exp(-std::pow((u - 0.62f + 0.35f * v) * 3.2f, 2.0f));
            const float grain = brushedGrain(x, y, seed) * grainAmount;
            const float k = falloff + sheen;
            line[x] = toRgb({base.r * k + grain, base.g * k + grain, base.b * k + grain * 1.08f});
        }
    }
}

void drawBevel(QImage &image, const QRect &outer, int width, Rgbf topLeft, Rgbf bottomRight, float strength)
{
    for (int i = 0; i < width; ++i) {
        const float weight = strength * (1.0f - static_cast<float>(i) / static_cast<float>(width));
        const QRect ring = outer.adjusted(i, i, -i, -i);
        for (int y = ring.top(); y <= ring.bottom(); ++y) {
            for (int x = ring.left(); x <= ring.right(); ++x) {
                const bool onTopOrLeft = y == ring.top() || x == ring.left();
                const bool onBottomOrRight = y == ring.bottom() || x == ring.right();
                if (!onTopOrLeft && !onBottomOrRight)
                    continue;
                const QRgb old = image.pixel(x, y);
                const Rgbf here{float(qRed(old)), float(qGreen(old)), float(qBlue(old))};
                const Rgbf edge = onTopOrLeft ? topLeft : bottomRight;
                image.setPixel(x, y, toRgb(mix(here, edge, weight)));
            }
        }
    }
}

void drawScrew(QImage &image, QPointF centre, double radius, double slotDegrees)
{
    constexpr int kSamples = 4;
    const double slot = slotDegrees * M_PI / 180.0;
    const double sx = std::cos(slot), sy = std::sin(slot);
    const QRect box(static_cast<int>(std::floor(centre.x() - radius - 2)),
                    static_cast<int>(std::floor(centre.y() - radius - 2)),
                    static_cast<int>(2 * radius + 5), static_cast<int>(2 * radius + 5));
    for (int y = box.top(); y <= box.bottom(); ++y) {
        for (int x = box.left(); x <= box.right(); ++x) {
            Rgbf sum{0, 0, 0};
            float covered = 0;
            for (int j = 0; j < kSamples; ++j) {
                for (int i = 0; i < kSamples; ++i) {
                    const double dx = x + (i + 0.5) / kSamples - centre.x();
                    const double dy = y + (j + 0.5) / kSamples - centre.y();
                    const double r = std::hypot(dx, dy);
                    if (r > radius + 1.0)
                        continue;
                    Rgbf c;
                    if (r > radius) {
                        c = {8, 8, 9}; // the countersink shadow
                    } else {
                        const double lit = 0.55 + 0.45 * (-(dx + dy) / (radius * 1.5));
                        const double dome = 1.0 - 0.35 * (r / radius) * (r / radius);
                        const float k = static_cast<float>(std::clamp(lit * dome, 0.15, 1.0));
                        c = {40 + 150 * k, 41 + 150 * k, 44 + 152 * k};
                        const double across = std::abs(dx * -sy + dy * sx);
                        if (across < radius * 0.17 && r < radius * 0.86)
                            c = across < radius * 0.09 ? Rgbf{14, 14, 15} : mix(c, Rgbf{30, 30, 32}, 0.6f);
                    }
                    sum = {sum.r + c.r, sum.g + c.g, sum.b + c.b};
                    covered += 1;
                }
            }
            if (covered == 0 || !image.rect().contains(x, y))
                continue;
            const float coverage = covered / (kSamples * kSamples);
            const QRgb old = image.pixel(x, y);
            const Rgbf here{float(qRed(old)), float(qGreen(old)), float(qBlue(old))};
            image.setPixel(x, y, toRgb(mix(here, scaled(sum, 1.0f / covered), coverage)));
        }
    }
}

void fillRect(QImage &image, const QRect &area, QRgb colour)
{
    const QRect clipped = area & image.rect();
    for (int y = clipped.top(); y <= clipped.bottom(); ++y)
        for (int x = clipped.left(); x <= clipped.right(); ++x)
            image.setPixel(x, y, colour);
}

void blendOver(QImage &target, const QImage &source, QPoint at)
{
    for (int y = 0; y < source.height(); ++y) {
        for (int x = 0; x < source.width(); ++x) {
            const QPoint p = at + QPoint(x, y);
            if (!target.rect().contains(p))
                continue;
            const QRgb s = source.pixel(x, y);
            const int a = qAlpha(s);
            if (a == 0)
                continue;
            const QRgb d = target.pixel(p);
            auto over = [a](int sc, int dc) { return (sc * a + dc * (255 - a) + 127) / 255; };
            target.setPixel(p, qRgb(over(qRed(s), qRed(d)), over(qGreen(s), qGreen(d)), over(qBlue(s), qBlue(d))));
        }
    }
}

} // namespace art
