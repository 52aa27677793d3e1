// The volume knob cap seen from above: spun (circularly brushed) metal whose
// conic highlights, grain and indicator dot all turn with the step. Every pixel
// is computed from its polar coordinates with 4 x 4 samples. Pixels the rim only
// partly covers take the colour of the printed shadow gap, so that any knob
// placed over the printed cap reproduces the printed pixels there exactly.
#include "art.h"

#include <algorithm>
#include <cmath>

namespace art {

namespace {

constexpr int kSamples = 4;
constexpr double kCentre = kKnobSide / 2.0;
constexpr double kDotRadius = 2.5;
constexpr double kDotDistance = kKnobCapRadius - 7.8;
constexpr int kAngularCells = 28;

double wrapTurn(double turns)
{
    return turns - std::floor(turns);
}

// Grain of the spinning: streaks along circles, varying slowly around them.
double spunGrain(double radius, double turn)
{
    const double rr = radius * 4.0;
    const double aa = turn * kAngularCells;
    const int r0 = static_cast<int>(std::floor(rr));
    const int a0 = static_cast<int>(std::floor(aa));
    const double tr = rr - r0, ta = aa - a0;
    auto cell = [](int r, int a) {
        const int wrapped = ((a % kAngularCells) + kAngularCells) % kAngularCells;
        return hashUnit(static_cast<uint32_t>(r), static_cast<uint32_t>(wrapped), 91u) * 2.0 - 1.0;
    };
    const double top = cell(r0, a0) + (cell(r0, a0 + 1) - cell(r0, a0)) * ta;
    const double bottom = cell(r0 + 1, a0) + (cell(r0 + 1, a0 + 1) - cell(r0 + 1, a0)) * ta;
    const double fine = hashUnit(static_cast<uint32_t>(radius * 9.0), 5u, 17u) * 2.0 - 1.0;
    return (top + (bottom - top) * tr) * 0.75 + fine * 0.25;
}

// Colour of the cap at a point given relative to the cap's own orientation.
Rgbf capColour(double radius, double turnDegrees)
{
    const double a = turnDegrees * M_PI / 180.0;
    // A spun surface lights up in a bow tie across the light; a weaker second
    // pair of lobes comes from the room behind.
    const double bowTie = std::pow(std::abs(std::cos(a - 0.55)), 3.0);
    const double secondary = std::pow(std::abs(std::cos(a + 0.95)), 8.0);
    double level = 92.0 + 104.0 * bowTie + 30.0 * secondary;
    level += 9.0 * spunGrain(radius, wrapTurn(turnDegrees / 360.0));
    // The turned chamfer at the rim, lit from one side and shaded on the other.
    const double chamfer = std::clamp((radius - (kKnobCapRadius - 4.0)) / 4.0, 0.0, 1.0);
    if (chamfer > 0) {
        const double side = 0.5 + 0.5 * std::cos(a + 0.8);
        const double rimLevel = 40.0 + 150.0 * side;
        level = level + (rimLevel - level) * std::min(1.0, chamfer * 1.6);
        const double outerEdge = std::clamp((radius - (kKnobCapRadius - 1.2)) / 1.2, 0.0, 1.0);
        level = level + (qRed(kKnobGap) + 12.0 - level) * outerEdge;
    }
    // A small turned dimple at the centre.
    if (radius < 3.5)
        level *= 0.88 + 0.12 * radius / 3.5;
    const float l = static_cast<float>(level);
    return {l, l + 1.5f, l + 4.0f};
}

} // namespace

QImage drawKnob(int step, bool withDot)
{
    const double turn = kKnobDotDegrees[static_cast<std::size_t>(step)] - kKnobDotDegrees[0];
    const double dotAngle = kKnobDotDegrees[static_cast<std::size_t>(step)] * M_PI / 180.0;
    const double dotX = kCentre + kDotDistance * std::sin(dotAngle);
    const double dotY = kCentre - kDotDistance * std::cos(dotAngle);

    QImage knob(kKnobSide, kKnobSide, QImage::Format_ARGB32);
    for (int y = 0; y < kKnobSide; ++y) {
        auto *line = reinterpret_cast<QRgb *>(knob.scanLine(y));
        for (int x = 0; x < kKnobSide; ++x) {
            Rgbf sum{0, 0, 0};
            int covered = 0;
            for (int j = 0; j < kSamples; ++j) {
                for (int i = 0; i < kSamples; ++i) {
                    const double sx = x + (i + 0.5) / kSamples, sy = y + (j + 0.5) / kSamples;
                    const double dx = sx - kCentre, dy = sy - kCentre;
                    const double radius = std::hypot(dx, dy);
                    if (radius > kKnobCapRadius)
                        continue;
                    const double screenDegrees = std::atan2(dx, -dy) * 180.0 / M_PI;
                    Rgbf c = capColour(radius, screenDegrees - turn);
                    if (withDot) {
                        const double dotDistance = std::hypot(sx - dotX, sy - dotY);
                        if (dotDistance < kDotRadius) {
                            // A drilled dimple: dark, with a glint on its far wall.
                            const double wall = ((sx - dotX) + (sy - dotY)) / kDotRadius;
                            const float glint = static_cast<float>(std::clamp(wall, 0.0, 1.0));
                            c = mix(Rgbf{14, 14, 16}, Rgbf{70, 72, 76}, glint * glint);
                        }
                    }
                    sum = {sum.r + c.r, sum.g + c.g, sum.b + c.b};
                    ++covered;
                }
            }
            constexpr int kAll = kSamples * kSamples;
            if (covered == 0) {
                line[x] = qRgba(0, 0, 0, 0);
            } else if (covered < kAll) {
                line[x] = qRgba(qRed(kKnobGap), qGreen(kKnobGap), qBlue(kKnobGap), (covered * 255 + kAll / 2) / kAll);
            } else {
                const QRgb c = toRgb(scaled(sum, 1.0f / kAll));
                line[x] = qRgba(qRed(c), qGreen(c), qBlue(c), 255);
            }
        }
    }
    return knob;
}

namespace {

// Averages a per-sample shading over each pixel near `centre`; samples for
// which `shade` returns false keep the pixel's present colour.
template <typename Shade>
void shadeDisc(QImage &image, QPointF centre, double reach, Shade shade)
{
    const QRect box(static_cast<int>(std::floor(centre.x() - reach)), static_cast<int>(std::floor(centre.y() - reach)),
                    static_cast<int>(2 * reach + 2), static_cast<int>(2 * reach + 2));
    for (int y = box.top(); y <= box.bottom(); ++y) {
        for (int x = box.left(); x <= box.right(); ++x) {
            if (!image.rect().contains(x, y))
                continue;
            const QRgb old = image.pixel(x, y);
            const Rgbf here{float(qRed(old)), float(qGreen(old)), float(qBlue(old))};
            Rgbf sum{0, 0, 0};
            for (int j = 0; j < kSamples; ++j) {
                for (int i = 0; i < kSamples; ++i) {
                    const double dx = x + (i + 0.5) / kSamples - centre.x();
                    const double dy = y + (j + 0.5) / kSamples - centre.y();
                    Rgbf c = here;
                    shade(std::hypot(dx, dy), std::atan2(dx, -dy), c);
                    sum = {sum.r + c.r, sum.g + c.g, sum.b + c.b};
                }
            }
            image.setPixel(x, y, toRgb(scaled(sum, 1.0f / (kSamples * kSamples))));
        }
    }
}

// Light falls from the upper left: 1 there, 0 at the lower right.
double lightFacing(double angle)
{
    return 0.5 + 0.5 * std::cos(angle + M_PI / 4);
}

} // namespace

void drawKnobBezel(QImage &image, QPointF centre)
{
    constexpr double kGapOuter = kKnobCapRadius + 1.3, kLipOuter = kKnobCapRadius + 2.4;
    constexpr double kRingOuter = 45.6, kChamferOuter = 47.6, kShadowOuter = 49.0;
    shadeDisc(image, centre, kShadowOuter + 1, [](double r, double angle, Rgbf &c) {
        const float light = static_cast<float>(lightFacing(angle));
        if (r <= kGapOuter) {
            c = {float(qRed(kKnobGap)), float(qGreen(kKnobGap)), float(qBlue(kKnobGap))};
        } else if (r <= kLipOuter) {
            const float level = 14.0f + 22.0f * light;
            c = {level, level, level + 1.0f};
        } else if (r <= kRingOuter) {
            // Fine knurling: ridges that catch the light in turn, and the
            // cap's shadow falling on the ring's inner edge at the lower right.
            const double ridge = 0.5 + 0.5 * std::cos(angle * 120.0);
            const float shadow = static_cast<float>((1.0 - light) * std::exp(-(r - kLipOuter) / 2.0)) * 0.5f;
            const float level = (34.0f + 30.0f * light + static_cast<float>(ridge) * (8.0f + 14.0f * light)) * (1.0f - shadow);
            c = {level, level, level + 2.0f};
        } else if (r <= kChamferOuter) {
            const float level = 30.0f + 150.0f * light * light;
            c = {level, level + 1.0f, level + 3.0f};
        } else if (r <= kShadowOuter) {
            c = mix(c, Rgbf{6, 6, 6}, static_cast<float>((kShadowOuter - r) / (kShadowOuter - kChamferOuter)) * 0.8f);
        }
        return true;
    });
}

void drawSmallKnob(QImage &image, QPointF centre, double radius, double indicatorDegrees)
{
    const double indicator = indicatorDegrees * M_PI / 180.0;
    // Soft drop shadow first, then the knurled skirt and the spun top.
    shadeDisc(image, centre + QPointF(1.2, 1.6), radius + 2.5, [radius](double r, double, Rgbf &c) {
        if (r <= radius + 2.0)
            c = mix(c, Rgbf{4, 4, 4}, static_cast<float>(std::clamp((radius + 2.0 - r) / 3.0, 0.0, 0.75)));
        return true;
    });
    shadeDisc(image, centre, radius + 1, [radius, indicator](double r, double angle, Rgbf &c) {
        if (r > radius)
            return true;
        const float light = static_cast<float>(lightFacing(angle));
        if (r > radius * 0.74) {
            const double ridge = 0.5 + 0.5 * std::cos(angle * 36.0);
            const float level = 22.0f + 46.0f * light + static_cast<float>(ridge) * 26.0f * (0.4f + light);
            c = {level, level, level + 2.0f};
            return true;
        }
        const double bowTie = std::pow(std::abs(std::cos(angle - 0.55)), 3.0);
        const float level = static_cast<float>(70.0 + 90.0 * bowTie + 6.0 * spunGrain(r * 2.0, wrapTurn(angle / (2 * M_PI))));
        c = {level, level + 1.0f, level + 3.0f};
        const double along = r * std::cos(angle - indicator);
        const double across = std::abs(r * std::sin(angle - indicator));
        if (along > radius * 0.25 && along < radius * 0.66 && across < 0.75)
            c = {236, 238, 240};
        return true;
    });
}

} // namespace art
