#include "online/share.h"

#include <cmath>
#include <fstream>
#include <system_error>

#include "app/game_state.h"
#include "app/timers.h"
#include "base/errors.h"
#include "base/geometry.h"
#include "online/data_paths.h"
#include "online/web_links.h"
#include "platform/draw_surface.h"
#include "platform/window.h"

namespace {

const char* const kCountdownFont = "Verdana";

bool Inside(const PromoRect& rect, int32_t x, int32_t y) {
    // Borders included; 64-bit so that a far-off rectangle cannot wrap round.
    const int64_t right = int64_t{rect.x} + rect.width;
    const int64_t bottom = int64_t{rect.y} + rect.height;
    return x >= rect.x && x <= right && y >= rect.y && y <= bottom;
}

}  // namespace

TShareScreen::TShareScreen(const ScreenContext& context) : IScreen(context) {}

TShareScreen::~TShareScreen() = default;

void TShareScreen::Load() {
    PromoValid = false;
    buttons_.clear();
    pictures_.clear();
    const std::filesystem::path file = ctx.dataRoot / kDescriptionFile;
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error)) return;
    std::ifstream in(file, std::ios::binary);
    if (!in) throw GameError(FormatMessage("Cannot open file \"%s\"", file.string().c_str()));
    std::string text(kPromoMaxDescriptionBytes + 1, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    if (in.bad()) throw GameError(FormatMessage("Cannot read file \"%s\"", file.string().c_str()));
    text.resize(static_cast<size_t>(in.gcount()));

    const std::filesystem::path root = ctx.dataRoot;
    const PromoDescription page =
        ReadPromoDescription(text, [&root](const std::string& name) { return DataFileExists(root, name); });
    ctx.state.PromoCountdown = page.countdown;
    buttonCount_ = page.buttonCount;
    backgroundFile_ = page.background;
    customFontSize_ = page.customFontSize;
    fontSize_ = page.fontSize;
    centreX_ = page.centreX;
    centreY_ = page.centreY;
    colour_ = page.colour;
    if (!page.valid) return;
    for (const PromoButtonDescription& described : page.buttons) {
        TButton button;
        button.hoverRect = described.hover;
        button.normalRect = described.normal;
        button.inactiveRect = described.inactive;
        button.target = described.target;
        button.hoverFile = described.hoverPicture;
        button.normalFile = described.normalPicture;
        button.inactiveFile = described.inactivePicture;
        button.ButtonActive = !button.IsExit();
        buttons_.push_back(std::move(button));
    }
    // A picture that cannot be decoded leaves no page to show.
    PromoValid = LoadPictures(page);
    if (!PromoValid) {
        buttons_.clear();
        pictures_.clear();
    }
}

size_t TShareScreen::Picture(const std::string& file, bool& ok, size_t& pixels) {
    for (size_t i = 0; i < pictures_.size(); ++i)
        if (pictures_[i].file == file) return i;
    if (!ok) return 0;
    const std::optional<std::filesystem::path> relative = DataRelativePath(file);
    std::optional<LoadedPicture> picture;
    if (relative) picture = ctx.pictures.Load(ctx.dataRoot / *relative);
    if (!picture || picture->width <= 0 || picture->height <= 0 ||
        picture->pixels.size() !=
            static_cast<size_t>(picture->width) * static_cast<size_t>(picture->height)) {
        ok = false;
        return 0;
    }
    pixels += picture->pixels.size();
    if (pixels > kMaxPicturePixels) {
        ok = false;
        return 0;
    }
    pictures_.push_back({file, std::move(*picture), nullptr});
    return pictures_.size() - 1;
}

bool TShareScreen::LoadPictures(const PromoDescription& page) {
    bool ok = true;
    size_t pixels = 0;
    background_ = Picture(page.background, ok, pixels);
    for (TButton& button : buttons_) {
        button.normalPicture = Picture(button.normalFile, ok, pixels);
        button.hoverPicture = Picture(button.hoverFile, ok, pixels);
        button.inactivePicture = Picture(button.inactiveFile, ok, pixels);
    }
    return ok;
}

void TShareScreen::Enter() {
    if (!PromoValid) {
        ctx.state.PromoCountdown = 0;
        CloseRequested();
        return;
    }
    ctx.timers.sharetimer.OnTimer = [this] {
        if (ctx.state.PromoCountdown > 0) --ctx.state.PromoCountdown;
    };
    ctx.timers.sharetimer.SetEnabled(true, ctx.host.Now());
    ctx.window.SetPointer(PointerShape::Arrow);
}

void TShareScreen::DrawPicture(size_t index, int32_t x, int32_t y) {
    if (index >= pictures_.size()) return;
    PagePicture& picture = pictures_[index];
    const int32_t w = picture.pixels.width;
    const int32_t h = picture.pixels.height;
    if (!picture.texture) picture.texture = ctx.surface.CreateTexture(picture.pixels.pixels.data(), w, h);
    ctx.surface.Draw(*picture.texture, MakeRect(0, 0, w, h), MakeRect(x, y, w, h), 255);
}

void TShareScreen::Frame(int32_t) {
    if (!PromoValid) return;
    for (TButton& button : buttons_)
        button.ButtonHover = Inside(button.normalRect, ctx.state.MouseX, ctx.state.MouseY);
    // A background smaller than the surface leaves black around it, not the last menu frame.
    ctx.surface.FillRect(MakeRect(0, 0, ctx.surface.Width(), ctx.surface.Height()), 0x000000);
    DrawPicture(background_, 0, 0);
    for (const TButton& button : buttons_) {
        if (button.ButtonActive && button.ButtonHover)
            DrawPicture(button.hoverPicture, button.hoverRect.x, button.hoverRect.y);
        else if (!button.ButtonActive && button.IsExit())
            DrawPicture(button.inactivePicture, button.inactiveRect.x, button.inactiveRect.y);
        else
            DrawPicture(button.normalPicture, button.normalRect.x, button.normalRect.y);
    }
    DrawCountdown();
}

void TShareScreen::DrawCountdown() {
    ctx.state.Hud.clear();
    const int32_t countdown = ctx.state.PromoCountdown;
    if (countdown == 0)
        for (TButton& button : buttons_)
            if (button.IsExit()) button.ButtonActive = true;
    if (countdown <= 0) return;
    const std::string number = std::to_string(countdown / 10 + 1);
    const int32_t width = ctx.surface.TextWidth(kCountdownFont, fontSize_, number);
    const int32_t height = ctx.surface.TextHeight(kCountdownFont, fontSize_);
    const auto x = static_cast<int32_t>(std::nearbyint(centreX_ - width / 2.0));
    const auto y = static_cast<int32_t>(std::nearbyint(centreY_ - height / 2.0));
    ctx.surface.DrawText(kCountdownFont, fontSize_, colour_, x, y, number);
    ctx.state.Hud.push_back({number, x, y, fontSize_, colour_});
}

void TShareScreen::PointerDown(MouseButton button) {
    if (button != MouseButton::Left) return;
    for (const TButton& pageButton : buttons_) {
        if (!pageButton.ButtonHover) continue;
        if (pageButton.IsExit())
            CloseRequested();
        else
            OpenLinkFile(ctx, pageButton.target);
    }
}

void TShareScreen::CloseRequested() {
    if (ctx.state.PromoCountdown <= 1) ctx.host.CloseWindow();
}
