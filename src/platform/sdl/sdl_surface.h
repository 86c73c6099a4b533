#pragma once
// The drawing surface on SDL_Renderer. On a GPU window it draws into an 800 x 600 target texture
// that Present scales (keeping the aspect, smoothly) into the window. Drawn on the CPU it draws
// into an 800 x 600 surface of its own that Present puts on the window's surface: copied at 1:1,
// else stretched smoothly with black bars. Over a software surface of the caller's (the
// simulator, benchmarks) it draws straight onto that surface.

#include <SDL.h>
#include <SDL_ttf.h>

#include <map>
#include <memory>
#include <string>
#include <unordered_map>

#include "platform/draw_surface.h"

class SdlDrawSurface : public IDrawSurface {
public:
    // Window mode: draws into a target texture scaled into the renderer's output at Present.
    static std::unique_ptr<SdlDrawSurface> ForWindow(SDL_Renderer* renderer, int width, int height);
    // Software mode over an SDL_Surface owned by the caller.
    static std::unique_ptr<SdlDrawSurface> ForSurface(SDL_Surface* target);
    // Software mode into a surface of its own, shown on the window's surface at Present.
    static std::unique_ptr<SdlDrawSurface> ForWindowSurface(SDL_Window* window, int width, int height);
    ~SdlDrawSurface() override;

    int32_t Width() const override { return width_; }
    int32_t Height() const override { return height_; }
    std::unique_ptr<ITexture> CreateTexture(const uint32_t* pixels, int32_t width, int32_t height) override;
    void Draw(ITexture& texture, const Rect& src, const Rect& dst, int32_t opacity) override;
    void DrawRotated(ITexture& texture, const Rect& src, const Rect& dst, double degrees,
                     int32_t opacity) override;
    void FillRect(const Rect& rect, uint32_t rgb) override;
    void DrawText(std::string_view font, int32_t size, uint32_t rgb, int32_t x, int32_t y,
                  std::string_view text) override;
    int32_t TextWidth(std::string_view font, int32_t size, std::string_view text) override;
    int32_t TextHeight(std::string_view font, int32_t size) override;
    void Present() override;
    void Restore() override;

    SDL_Renderer* Renderer() const { return renderer_; }
    // The SDL texture behind a texture this surface made (benchmarks draw it directly).
    static SDL_Texture* Handle(ITexture& texture);
    // Where the surface lands in the window (window pixels), for mapping the pointer.
    SDL_Rect PresentRect(int windowWidth, int windowHeight) const;
    // The target texture was lost with the renderer's device: make a new one.
    void RecreateTarget();

private:
    SdlDrawSurface(SDL_Renderer* renderer, SDL_Surface* software, int width, int height);
    struct CachedText {
        SDL_Texture* texture = nullptr;
        int width = 0;
        int height = 0;
        uint64_t lastUsed = 0;
    };
    // A frame on a GPU window is drawn into the target texture.
    void BeginFrame();
    // Forgets the texts not drawn for longest, half of the cache at a time.
    void TrimTextCache();
    TTF_Font* Font(std::string_view family, int32_t size);
    const CachedText* Text(std::string_view family, int32_t size, uint32_t rgb, std::string_view text);

    // Puts the frame on the window's surface and shows it.
    void PresentOnWindowSurface();

    SDL_Renderer* renderer_ = nullptr;
    SDL_Surface* software_ = nullptr;
    SDL_Window* window_ = nullptr;  // ForWindowSurface: software_ is ours and goes to this window
    bool ownsSoftware_ = false;
    SDL_Texture* target_ = nullptr;
    int width_ = 0;
    int height_ = 0;
    std::map<std::pair<std::string, int32_t>, TTF_Font*> fonts_;
    std::map<std::string, std::string> fontFiles_;
    std::unordered_map<std::string, CachedText> texts_;
    uint64_t textUses_ = 0;
    bool frameStarted_ = false;
};

// The file of the installed font that best matches a family name ("Arial" gives Liberation Sans).
std::string FindFontFile(const std::string& family);

// Where a surface of surfaceWidth x surfaceHeight lands in a window of windowWidth x windowHeight:
// scaled as large as fits with its aspect kept, centred, black bars on the two other sides.
// A window with no area gets the surface at its own size in the corner.
Rect LetterboxRect(int windowWidth, int windowHeight, int surfaceWidth, int surfaceHeight);
