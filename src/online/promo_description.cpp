#include "online/promo_description.h"

#include <cmath>
#include <limits>

#include "online/data_paths.h"

namespace {

class DescriptionReader {
public:
    DescriptionReader(std::string_view text, const std::function<bool(const std::string&)>& fileExists)
        : text_(text), fileExists_(fileExists) {}

    bool valid = true;

    // k numbers of one line; a missing line, an empty one or a piece that is no integer
    // (two spaces in a row give an empty piece) makes the description invalid.
    void Numbers(std::initializer_list<int32_t*> out) {
        if (AtEnd() || !valid) {
            valid = false;
            return;
        }
        std::string_view line = DropLeadingSpaces(Line());
        if (line.empty()) {
            valid = false;
            return;
        }
        for (int32_t* value : out) {
            const size_t space = line.find(' ');
            const std::string_view piece = line.substr(0, space);
            line = space == std::string_view::npos ? std::string_view() : line.substr(space + 1);
            if (!ParseInteger(piece, *value)) {
                *value = 0;
                valid = false;
            }
        }
    }

    // Far-off numbers would overflow where the page adds a picture's size to them.
    void Coordinates(std::initializer_list<int32_t*> out) {
        Numbers(out);
        for (int32_t* value : out)
            if (*value < -kPromoMaxCoordinate || *value > kPromoMaxCoordinate) valid = false;
    }

    void Rectangle(PromoRect& rect) { Coordinates({&rect.x, &rect.y, &rect.width, &rect.height}); }

    std::string Text() {
        if (AtEnd() || !valid) {
            valid = false;
            return {};
        }
        return std::string(DropLeadingSpaces(Line()));
    }

    // A file name: not empty, inside the data root, and an existing file.
    std::string FileName() {
        std::string name = Text();
        if (!valid) return name;
        if (name.empty() || !DataRelativePath(name) || !fileExists_(name)) valid = false;
        return name;
    }

private:
    bool AtEnd() const { return position_ >= text_.size(); }

    std::string_view Line() {
        const size_t end = text_.find('\n', position_);
        std::string_view line =
            text_.substr(position_, end == std::string_view::npos ? end : end - position_);
        position_ = end == std::string_view::npos ? text_.size() : end + 1;
        // Descriptions written on Windows end their lines with CR LF.
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        return line;
    }

    static std::string_view DropLeadingSpaces(std::string_view line) {
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
        return line;
    }

    static bool ParseInteger(std::string_view piece, int32_t& value) {
        bool negative = false;
        if (!piece.empty() && (piece.front() == '-' || piece.front() == '+')) {
            negative = piece.front() == '-';
            piece.remove_prefix(1);
        }
        if (piece.empty()) return false;
        int64_t number = 0;
        for (char c : piece) {
            if (c < '0' || c > '9') return false;
            number = number * 10 + (c - '0');
            if (number > int64_t{std::numeric_limits<int32_t>::max()} + 1) return false;
        }
        if (negative) number = -number;
        if (number < std::numeric_limits<int32_t>::min() || number > std::numeric_limits<int32_t>::max())
            return false;
        value = static_cast<int32_t>(number);
        return true;
    }

    std::string_view text_;
    size_t position_ = 0;
    const std::function<bool(const std::string&)>& fileExists_;
};

}  // namespace

PromoDescription ReadPromoDescription(std::string_view text,
                                      const std::function<bool(const std::string&)>& fileExists) {
    PromoDescription page;
    if (text.size() > kPromoMaxDescriptionBytes) return page;
    DescriptionReader in(text, fileExists);
    in.Numbers({&page.buttonCount});
    // Every page needs its exit button, the last one.
    if (in.valid && (page.buttonCount < 1 || page.buttonCount > kPromoMaxButtons)) in.valid = false;
    page.background = in.FileName();
    for (int32_t i = 1; i <= page.buttonCount && in.valid; ++i) {
        PromoButtonDescription button;
        in.Rectangle(button.hover);
        in.Rectangle(button.normal);
        if (i < page.buttonCount) {
            button.normalPicture = in.FileName();
            button.hoverPicture = in.FileName();
            button.target = in.FileName();
            button.inactive = button.normal;
            button.inactivePicture = button.normalPicture;
        } else {
            in.Rectangle(button.inactive);
            button.normalPicture = in.FileName();
            button.hoverPicture = in.FileName();
            button.inactivePicture = in.FileName();
            button.target = "exit";
        }
        page.buttons.push_back(std::move(button));
    }
    in.Coordinates({&page.centreX, &page.centreY});
    int32_t seconds = 0;
    in.Numbers({&seconds});
    // A negative count would never reach 0, and the exit button would never wake.
    if (seconds < 0 || seconds > kPromoMaxSeconds) {
        in.valid = false;
        seconds = 0;
    }
    page.countdown = seconds * 10;
    int32_t red = 0;
    int32_t green = 0;
    int32_t blue = 0;
    in.Numbers({&red, &green, &blue});
    for (int32_t component : {red, green, blue})
        if (component < 0 || component > 255) in.valid = false;
    page.colour = (static_cast<uint32_t>(red & 0xFF) << 16) | (static_cast<uint32_t>(green & 0xFF) << 8) |
                  static_cast<uint32_t>(blue & 0xFF);
    if (in.Text() == "TRUE") {
        page.customFontSize = true;
        in.Numbers({&page.fontSize});
    }
    if (!page.customFontSize) {
        for (const PromoButtonDescription& button : page.buttons)
            if (button.IsExit())
                page.fontSize = static_cast<int32_t>(std::nearbyint(0.6 * button.normal.height));
    }
    if (page.fontSize < 1 || page.fontSize > kPromoMaxFontSize) in.valid = false;
    page.valid = in.valid;
    return page;
}
