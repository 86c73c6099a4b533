#pragma once
// Share: the exit promotion page, shown once the player has confirmed quitting. A background
// picture, picture buttons that open link files, and an exit button that wakes when the
// countdown drawn on the page has run out. Everything on it comes from "wdata/config.ini" of
// the data root, read once at start-up; without a complete description the page is skipped and
// the program ends at once.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/screen.h"
#include "online/promo_description.h"
#include "platform/picture_loader.h"

class ITexture;

class TShareScreen : public IScreen {
public:
    // A picture button of the page.
    class TButton {
    public:
        bool ButtonHover = false;  // the pointer is over the normal rectangle (every frame)
        bool ButtonActive = true;  // the exit button is inactive until the countdown has run out
        bool visible = true;
        PromoRect hoverRect;
        PromoRect normalRect;  // also where the button takes clicks
        PromoRect inactiveRect;
        std::string target;  // a link file, or "exit"
        std::string hoverFile;
        std::string normalFile;
        std::string inactiveFile;
        bool IsExit() const { return target == "exit"; }

    private:
        friend class TShareScreen;
        size_t hoverPicture = 0;  // indices into the page's pictures
        size_t normalPicture = 0;
        size_t inactivePicture = 0;
    };

    // The description and its pictures: the page's own path under the data root.
    static constexpr const char* kDescriptionFile = "wdata/config.ini";
    // All the page's pictures together, in pixels: more is no page but a memory hog.
    static constexpr size_t kMaxPicturePixels = size_t{16} << 20;

    explicit TShareScreen(const ScreenContext& context);
    ~TShareScreen() override;

    // Reads the description and decodes its pictures (once, at start-up). PromoValid tells
    // whether there is a page to show. An unreadable description is raised as a GameError.
    void Load();
    bool PromoValid = false;

    const std::vector<TButton>& Buttons() const { return buttons_; }
    int32_t FontSize() const { return fontSize_; }
    uint32_t Colour() const { return colour_; }

    void Enter() override;
    void Frame(int32_t lagCount) override;
    void Leave() override {}
    void PointerDown(MouseButton button) override;
    // The window may close once the countdown is down to its last tenth.
    void CloseRequested() override;
    // A module that has played through is not started again here.
    std::optional<MusicTrack> OwnMusic() const override { return std::nullopt; }

private:
    bool LoadPictures(const PromoDescription& page);
    size_t Picture(const std::string& file, bool& ok, size_t& pixels);
    void DrawPicture(size_t index, int32_t x, int32_t y);
    void DrawCountdown();

    std::vector<TButton> buttons_;
    int32_t buttonCount_ = 0;
    std::string backgroundFile_;
    size_t background_ = 0;
    bool customFontSize_ = false;
    int32_t fontSize_ = 0;
    int32_t centreX_ = 0;
    int32_t centreY_ = 0;
    uint32_t colour_ = 0;

    struct PagePicture {
        std::string file;
        LoadedPicture pixels;
        std::unique_ptr<ITexture> texture;  // made on the first frame that draws it
    };
    std::vector<PagePicture> pictures_;
};
