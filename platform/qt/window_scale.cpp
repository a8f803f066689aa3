#include "platform/qt/window_scale.h"

#include "platform/qt/picture_fit.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace hk {

namespace {

constexpr std::array<double, 9> kSteps = {1.0, 1.5, 2.0, 3.0, 4.0, 5.0, 6.0, 7.0, 8.0};

bool Fits(Size size, Size available) {
    return size.width <= available.width && size.height <= available.height;
}

} // namespace

std::optional<WindowScale> ParseWindowScale(std::string_view text) {
    if (text == "fit")
        return WindowScale::Fit();
    if (!text.empty() && (text.back() == 'x' || text.back() == 'X'))
        text.remove_suffix(1);
    double factor = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), factor);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || !std::isfinite(factor) ||
        factor < kMinScaleFactor || factor > kMaxScaleFactor)
        return std::nullopt;
    return WindowScale::Times(factor);
}

std::string WindowScaleText(const WindowScale& scale) {
    if (scale.kind == WindowScale::Kind::Fit)
        return "fit";
    char text[32];
    std::snprintf(text, sizeof text, "%g", scale.factor);
    return text;
}

Size ClientSizeFor(const WindowScale& scale, Size picture, Size available) {
    if (scale.kind == WindowScale::Kind::Fit) {
        const PictureFit fit = FitPicture(available.width, available.height, picture.width, picture.height);
        return Size{fit.width, fit.height};
    }
    return Size{static_cast<int>(std::lround(picture.width * scale.factor)),
                static_cast<int>(std::lround(picture.height * scale.factor))};
}

std::optional<WindowScale> StepOfSize(Size client, Size picture) {
    for (const double step : kSteps) {
        const Size size = ClientSizeFor(WindowScale::Times(step), picture, picture);
        if (size.width == client.width && size.height == client.height)
            return WindowScale::Times(step);
    }
    return std::nullopt;
}

std::optional<WindowScale> LargerScale(int picture_width, Size picture, Size available) {
    for (const double step : kSteps) {
        const Size size = ClientSizeFor(WindowScale::Times(step), picture, available);
        if (size.width > picture_width && Fits(size, available))
            return WindowScale::Times(step);
    }
    const Size fit = ClientSizeFor(WindowScale::Fit(), picture, available);
    if (fit.width > picture_width)
        return WindowScale::Fit();
    return std::nullopt;
}

std::optional<WindowScale> SmallerScale(int picture_width, Size picture, Size available) {
    for (auto step = kSteps.rbegin(); step != kSteps.rend(); ++step) {
        const Size size = ClientSizeFor(WindowScale::Times(*step), picture, available);
        if (size.width < picture_width && Fits(size, available))
            return WindowScale::Times(*step);
    }
    // A screen smaller than the picture: 1x still, though it does not fit.
    if (picture_width > picture.width)
        return WindowScale::Times(1.0);
    return std::nullopt;
}

} // namespace hk
