#pragma once
// The exit promotion page's description, "wdata/config.ini": one item a line, numbers on a
// line separated by exactly one space, file names relative to the data root.
//
//   N                                  buttons, the last one the exit button
//   background picture
//   per ordinary button:  hover rectangle "x y width height", normal rectangle, normal picture,
//                         hover picture, target file
//   exit button:          hover rectangle, normal rectangle, inactive rectangle, normal picture,
//                         hover picture, inactive picture
//   countdown centre "x y"
//   countdown length in seconds
//   countdown colour "red green blue"
//   "TRUE" then the countdown font size on the next line, or any other line for the default
//   (0.6 x the exit button's height)
//
// Reading never fails: anything missing or malformed makes the description invalid.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// Stored in the order the page keeps them; the description writes x, y, width, height.
struct PromoRect {
    int32_t x = 0;
    int32_t y = 0;
    int32_t height = 0;
    int32_t width = 0;
};

struct PromoButtonDescription {
    PromoRect hover;
    PromoRect normal;
    PromoRect inactive;  // an ordinary button's is a copy of the normal one
    std::string target;  // a file under the data root, or "exit"
    std::string hoverPicture;
    std::string normalPicture;
    std::string inactivePicture;
    bool IsExit() const { return target == "exit"; }
};

struct PromoDescription {
    bool valid = false;
    int32_t buttonCount = 0;
    std::vector<PromoButtonDescription> buttons;  // in description order; the last is the exit
    std::string background;
    int32_t countdown = 0;  // tenths of a second
    bool customFontSize = false;
    int32_t fontSize = 0;  // points
    int32_t centreX = 0;
    int32_t centreY = 0;
    uint32_t colour = 0;  // 0xRRGGBB
};

// Limits past which a description is not taken: they keep every number the page computes with
// in range, and no page needs more.
inline constexpr int32_t kPromoMaxButtons = 256;
inline constexpr int32_t kPromoMaxSeconds = 24 * 60 * 60;
inline constexpr int32_t kPromoMaxFontSize = 400;
inline constexpr int32_t kPromoMaxCoordinate = 100000;  // rectangles and the countdown centre, either sign
inline constexpr size_t kPromoMaxDescriptionBytes = 1 << 20;

// `fileExists` answers for a name as written in the description; names outside the data root
// are invalid before it is asked.
PromoDescription ReadPromoDescription(std::string_view text,
                                      const std::function<bool(const std::string&)>& fileExists);
