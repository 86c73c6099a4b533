#include "platform/sdl/sdl_surface.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "base/errors.h"

namespace {

// Enough for every text of a screen and the display's changing numbers; a long game keeps
// drawing new scores, so the texts not drawn for longest go.
constexpr size_t kTextCacheLimit = 128;

class SdlTexture : public ITexture {
public:
    SdlTexture(SDL_Texture* texture, int32_t width, int32_t height, bool opaque)
        : texture_(texture), width_(width), height_(height), opaque_(opaque) {
        SDL_SetTextureBlendMode(texture_, opaque_ ? SDL_BLENDMODE_NONE : SDL_BLENDMODE_BLEND);
    }
    ~SdlTexture() override {
        if (texture_ != nullptr) SDL_DestroyTexture(texture_);
    }
    int32_t Width() const override { return width_; }
    int32_t Height() const override { return height_; }
    SDL_Texture* Handle() const { return texture_; }
    // Alpha modulation is a texture state: change it only when it differs.
    // A picture opaque everywhere is copied without blending (several times cheaper in the
    // software renderer) unless it is drawn translucent.
    void SetOpacity(int32_t opacity) {
        if (opacity == opacity_) return;
        opacity_ = opacity;
        SDL_SetTextureAlphaMod(texture_, static_cast<Uint8>(opacity));
        if (opaque_)
            SDL_SetTextureBlendMode(texture_, opacity >= 255 ? SDL_BLENDMODE_NONE : SDL_BLENDMODE_BLEND);
    }

private:
    SDL_Texture* texture_;
    int32_t width_;
    int32_t height_;
    int32_t opacity_ = 255;
    bool opaque_;
};

SDL_Rect ToSdl(const Rect& r) {
    return SDL_Rect{r.left, r.top, r.Width(), r.Height()};
}

}  // namespace

std::string FindFontFile(const std::string& family) {
    std::string result;
    FcConfig* config = FcInitLoadConfigAndFonts();
    if (config == nullptr) return result;
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(family.c_str()));
    if (pattern != nullptr) {
        FcConfigSubstitute(config, pattern, FcMatchPattern);
        FcDefaultSubstitute(pattern);
        FcResult match = FcResultNoMatch;
        FcPattern* font = FcFontMatch(config, pattern, &match);
        if (font != nullptr) {
            FcChar8* file = nullptr;
            if (FcPatternGetString(font, FC_FILE, 0, &file) == FcResultMatch && file != nullptr)
                result = reinterpret_cast<const char*>(file);
            FcPatternDestroy(font);
        }
        FcPatternDestroy(pattern);
    }
    FcConfigDestroy(config);
    return result;
}

SdlDrawSurface::SdlDrawSurface(SDL_Renderer* renderer, SDL_Surface* software, int width, int height)
    : renderer_(renderer), software_(software), width_(width), height_(height) {}

std::unique_ptr<SdlDrawSurface> SdlDrawSurface::ForWindow(SDL_Renderer* renderer, int width, int height) {
    std::unique_ptr<SdlDrawSurface> surface(new SdlDrawSurface(renderer, nullptr, width, height));
    surface->RecreateTarget();
    return surface;
}

std::unique_ptr<SdlDrawSurface> SdlDrawSurface::ForSurface(SDL_Surface* target) {
    SDL_Renderer* renderer = SDL_CreateSoftwareRenderer(target);
    if (renderer == nullptr)
        throw GameError(std::string("Cannot create the drawing surface: ") + SDL_GetError());
    return std::unique_ptr<SdlDrawSurface>(new SdlDrawSurface(renderer, target, target->w, target->h));
}

std::unique_ptr<SdlDrawSurface> SdlDrawSurface::ForWindowSurface(SDL_Window* window, int width, int height) {
    // The window surface's own format, so that the copy to it is a plain copy of rows.
    Uint32 format = SDL_GetWindowPixelFormat(window);
    if (format == SDL_PIXELFORMAT_UNKNOWN || SDL_BYTESPERPIXEL(format) != 4) format = SDL_PIXELFORMAT_RGB888;
    SDL_Surface* frame = SDL_CreateRGBSurfaceWithFormat(0, width, height, 32, format);
    if (frame == nullptr)
        throw GameError(std::string("Cannot create the drawing surface: ") + SDL_GetError());
    SDL_SetSurfaceBlendMode(frame, SDL_BLENDMODE_NONE);
    SDL_FillRect(frame, nullptr, SDL_MapRGB(frame->format, 0, 0, 0));
    std::unique_ptr<SdlDrawSurface> surface;
    try {
        surface = ForSurface(frame);
    } catch (...) {
        SDL_FreeSurface(frame);
        throw;
    }
    surface->window_ = window;
    surface->ownsSoftware_ = true;
    return surface;
}

SdlDrawSurface::~SdlDrawSurface() {
    for (auto& [key, text] : texts_) SDL_DestroyTexture(text.texture);
    for (auto& [key, font] : fonts_)
        if (font != nullptr) TTF_CloseFont(font);
    if (target_ != nullptr) SDL_DestroyTexture(target_);
    if (software_ != nullptr) SDL_DestroyRenderer(renderer_);
    if (ownsSoftware_) SDL_FreeSurface(software_);
}

void SdlDrawSurface::Restore() {
    for (auto& [key, cached] : texts_) SDL_DestroyTexture(cached.texture);
    texts_.clear();
    RecreateTarget();
}

void SdlDrawSurface::RecreateTarget() {
    if (software_ != nullptr) return;
    if (target_ != nullptr) SDL_DestroyTexture(target_);
    target_ =
        SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_TARGET, width_, height_);
    if (target_ == nullptr)
        throw GameError(std::string("Cannot create the drawing surface: ") + SDL_GetError());
    // Scaled smoothly in full screen; at 1:1 in a window the filter changes nothing.
    SDL_SetTextureScaleMode(target_, SDL_ScaleModeLinear);
    SDL_SetRenderTarget(renderer_, target_);
    SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
    SDL_RenderClear(renderer_);
}

SDL_Texture* SdlDrawSurface::Handle(ITexture& texture) {
    return static_cast<SdlTexture&>(texture).Handle();
}

std::unique_ptr<ITexture> SdlDrawSurface::CreateTexture(const uint32_t* pixels, int32_t width,
                                                        int32_t height) {
    SDL_Texture* texture =
        SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STATIC, width, height);
    if (texture == nullptr) throw GameError(std::string("Cannot create a texture: ") + SDL_GetError());
    SDL_UpdateTexture(texture, nullptr, pixels, width * 4);
    bool opaque = true;
    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    for (size_t i = 0; i < count && opaque; ++i) opaque = (pixels[i] >> 24) == 0xFF;
    return std::make_unique<SdlTexture>(texture, width, height, opaque);
}

void SdlDrawSurface::Draw(ITexture& texture, const Rect& src, const Rect& dst, int32_t opacity) {
    BeginFrame();
    auto& t = static_cast<SdlTexture&>(texture);
    t.SetOpacity(opacity);
    const SDL_Rect s = ToSdl(src);
    const SDL_Rect d = ToSdl(dst);
    SDL_RenderCopy(renderer_, t.Handle(), &s, &d);
}

void SdlDrawSurface::DrawRotated(ITexture& texture, const Rect& src, const Rect& dst, double degrees,
                                 int32_t opacity) {
    BeginFrame();
    auto& t = static_cast<SdlTexture&>(texture);
    t.SetOpacity(opacity);
    const SDL_Rect s = ToSdl(src);
    const SDL_Rect d = ToSdl(dst);
    SDL_RenderCopyEx(renderer_, t.Handle(), &s, &d, degrees, nullptr, SDL_FLIP_NONE);
}

void SdlDrawSurface::FillRect(const Rect& rect, uint32_t rgb) {
    BeginFrame();
    SDL_SetRenderDrawColor(renderer_, (rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF, 255);
    const SDL_Rect r = ToSdl(rect);
    SDL_RenderFillRect(renderer_, &r);
}

TTF_Font* SdlDrawSurface::Font(std::string_view family, int32_t size) {
    const auto key = std::make_pair(std::string(family), size);
    auto found = fonts_.find(key);
    if (found != fonts_.end()) return found->second;
    auto file = fontFiles_.find(key.first);
    if (file == fontFiles_.end()) file = fontFiles_.emplace(key.first, FindFontFile(key.first)).first;
    TTF_Font* font = file->second.empty() ? nullptr : TTF_OpenFontDPI(file->second.c_str(), size, 96, 96);
    fonts_[key] = font;
    return font;
}

const SdlDrawSurface::CachedText* SdlDrawSurface::Text(std::string_view family, int32_t size, uint32_t rgb,
                                                       std::string_view text) {
    std::string key;
    key.reserve(family.size() + text.size() + 24);
    key.append(family).append(1, '\0').append(std::to_string(size)).append(1, '\0');
    key.append(std::to_string(rgb)).append(1, '\0').append(text);
    auto found = texts_.find(key);
    if (found != texts_.end()) {
        found->second.lastUsed = ++textUses_;
        return &found->second;
    }
    TTF_Font* font = Font(family, size);
    if (font == nullptr || text.empty()) return nullptr;
    if (texts_.size() >= kTextCacheLimit) TrimTextCache();
    const SDL_Color color{static_cast<Uint8>((rgb >> 16) & 0xFF), static_cast<Uint8>((rgb >> 8) & 0xFF),
                          static_cast<Uint8>(rgb & 0xFF), 255};
    // The game's texts are 8-bit (Latin-1).
    SDL_Surface* rendered = TTF_RenderText_Blended(font, std::string(text).c_str(), color);
    if (rendered == nullptr) return nullptr;
    CachedText cached;
    cached.texture = SDL_CreateTextureFromSurface(renderer_, rendered);
    cached.width = rendered->w;
    cached.height = rendered->h;
    SDL_FreeSurface(rendered);
    if (cached.texture == nullptr) return nullptr;
    SDL_SetTextureBlendMode(cached.texture, SDL_BLENDMODE_BLEND);
    cached.lastUsed = ++textUses_;
    return &texts_.emplace(std::move(key), cached).first->second;
}

void SdlDrawSurface::TrimTextCache() {
    std::vector<uint64_t> uses;
    uses.reserve(texts_.size());
    for (const auto& [key, cached] : texts_) uses.push_back(cached.lastUsed);
    std::nth_element(uses.begin(), uses.begin() + static_cast<std::ptrdiff_t>(uses.size() / 2), uses.end());
    const uint64_t median = uses[uses.size() / 2];
    for (auto it = texts_.begin(); it != texts_.end();) {
        if (it->second.lastUsed < median) {
            SDL_DestroyTexture(it->second.texture);
            it = texts_.erase(it);
        } else {
            ++it;
        }
    }
}

void SdlDrawSurface::DrawText(std::string_view font, int32_t size, uint32_t rgb, int32_t x, int32_t y,
                              std::string_view text) {
    BeginFrame();
    const CachedText* cached = Text(font, size, rgb, text);
    if (cached == nullptr) return;
    const SDL_Rect d{x, y, cached->width, cached->height};
    SDL_RenderCopy(renderer_, cached->texture, nullptr, &d);
}

int32_t SdlDrawSurface::TextWidth(std::string_view font, int32_t size, std::string_view text) {
    TTF_Font* f = Font(font, size);
    if (f == nullptr) return 0;
    int w = 0;
    int h = 0;
    if (TTF_SizeText(f, std::string(text).c_str(), &w, &h) != 0) return 0;
    return w;
}

int32_t SdlDrawSurface::TextHeight(std::string_view font, int32_t size) {
    TTF_Font* f = Font(font, size);
    return f != nullptr ? TTF_FontHeight(f) : 0;
}

Rect LetterboxRect(int windowWidth, int windowHeight, int surfaceWidth, int surfaceHeight) {
    if (windowWidth <= 0 || windowHeight <= 0) return MakeRect(0, 0, surfaceWidth, surfaceHeight);
    const double scale = std::min(static_cast<double>(windowWidth) / surfaceWidth,
                                  static_cast<double>(windowHeight) / surfaceHeight);
    const int w = static_cast<int>(surfaceWidth * scale + 0.5);
    const int h = static_cast<int>(surfaceHeight * scale + 0.5);
    return MakeRect((windowWidth - w) / 2, (windowHeight - h) / 2, w, h);
}

SDL_Rect SdlDrawSurface::PresentRect(int windowWidth, int windowHeight) const {
    return ToSdl(LetterboxRect(windowWidth, windowHeight, width_, height_));
}

void SdlDrawSurface::BeginFrame() {
    if (software_ != nullptr || frameStarted_) return;
    frameStarted_ = true;
    SDL_SetRenderTarget(renderer_, target_);
}

void SdlDrawSurface::PresentOnWindowSurface() {
    SDL_Surface* out = SDL_GetWindowSurface(window_);
    if (out == nullptr) return;  // a window with no area (minimised): nothing to show
    const SDL_Rect dst = PresentRect(out->w, out->h);
    if (dst.w == width_ && dst.h == height_) {
        SDL_Rect at = dst;
        SDL_BlitSurface(software_, nullptr, out, &at);
    } else if (out->format->format == software_->format->format) {
        SDL_SoftStretchLinear(software_, nullptr, out, &dst);
    } else {
        SDL_Rect at = dst;
        SDL_BlitScaled(software_, nullptr, out, &at);
    }
    // The bars around the picture are black.
    const Uint32 black = SDL_MapRGB(out->format, 0, 0, 0);
    const SDL_Rect bars[] = {{0, 0, out->w, dst.y},
                             {0, dst.y + dst.h, out->w, out->h - dst.y - dst.h},
                             {0, dst.y, dst.x, dst.h},
                             {dst.x + dst.w, dst.y, out->w - dst.x - dst.w, dst.h}};
    for (const SDL_Rect& bar : bars)
        if (bar.w > 0 && bar.h > 0) SDL_FillRect(out, &bar, black);
    SDL_UpdateWindowSurface(window_);
}

void SdlDrawSurface::Present() {
    if (window_ != nullptr) {
        PresentOnWindowSurface();
        return;
    }
    if (software_ != nullptr) return;
    BeginFrame();
    frameStarted_ = false;
    SDL_SetRenderTarget(renderer_, nullptr);
    int outW = 0;
    int outH = 0;
    SDL_GetRendererOutputSize(renderer_, &outW, &outH);
    const SDL_Rect dst = PresentRect(outW, outH);
    SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
    SDL_RenderClear(renderer_);
    SDL_RenderCopy(renderer_, target_, nullptr, &dst);
    SDL_RenderPresent(renderer_);
    // The target keeps the last frame, so screens that draw over it find it there.
    SDL_SetRenderTarget(renderer_, target_);
}
