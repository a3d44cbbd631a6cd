// The button's properties, creation, saving and loading.
#include "controls/cxCommand/command_button.h"

#include <utility>

#include "text/error.h"
#include "text/lower_case.h"

namespace scandrel::controls {

namespace {

constexpr int32_t kTypeMismatch = 13;

Error typeMismatch() { return Error(kTypeMismatch, u"Tipos incompatíveis"); }

// Where the pieces stand before the first layout; a piece's natural size where the
// design gives no place.
constexpr std::array<TwipRect, kSkinPieces> kInitialPieces = {{
    {0, 0, 45, 45},
    {45, 0, 45, 45},
    {0, 0, 45, 45},
    {0, 45, 45, 15},
    {0, 45, 45, 45},
    {45, 45, 0, 45},
    {0, 45, 45, 45},
    {0, 45, 45, 15},
    {45, 45, 15, 15},
}};

bool isTrueText(const std::u16string& value) {
    const std::u16string lower = text::toLower(value);
    if (lower == u"true" || lower == u"verdadeiro") return true;
    if (lower == u"false" || lower == u"falso") return false;
    if (!lower.empty() && lower.find_first_not_of(u"-0123456789") == std::u16string::npos) {
        return lower.find_first_not_of(u"-0") != std::u16string::npos;
    }
    throw typeMismatch();
}

std::u16string textOf(const PropertyValue& value) {
    if (const auto* text = std::get_if<std::u16string>(&value)) return *text;
    if (const auto* number = std::get_if<int32_t>(&value)) {
        const std::string digits = std::to_string(*number);
        return {digits.begin(), digits.end()};
    }
    throw typeMismatch();
}

bool booleanOf(const PropertyValue& value) {
    if (const auto* flag = std::get_if<bool>(&value)) return *flag;
    if (const auto* number = std::get_if<int32_t>(&value)) return *number != 0;
    if (const auto* text = std::get_if<std::u16string>(&value)) return isTrueText(*text);
    throw typeMismatch();
}

std::optional<Picture> pictureOf(const PropertyValue* value) {
    if (!value) return std::nullopt;
    if (const auto* picture = std::get_if<Picture>(value)) {
        if (!picture->object) return std::nullopt;
        return *picture;
    }
    throw typeMismatch();
}

}  // namespace

CommandButton::CommandButton(ButtonSurface& surface, Font font) : surface_(surface), font_(std::move(font)) {
    face_.pieces = kInitialPieces;
    enabled_ = true;  // the caption keeps its designed colour until Enabled is set
    pressed_ = false;
    redraw(false);
}

void CommandButton::setCaption(std::u16string caption) {
    caption_ = std::move(caption);
    redraw(true);
}

void CommandButton::setEnabled(bool enabled) {
    enabled_ = enabled;
    face_.captionColor = enabled ? kCaptionBlack : kCaptionGrey;
    surface_.repaintNow();
}

void CommandButton::setIconNormal(std::optional<Picture> picture) {
    iconNormal_ = std::move(picture);
    redraw(true);
}

void CommandButton::setIconDown(std::optional<Picture> picture) {
    iconDown_ = std::move(picture);
    redraw(true);
}

void CommandButton::setFont(Font font) {
    font_ = std::move(font);
    surface_.repaintNow();
}

void CommandButton::load(const PropertyBag& stored) {
    const PropertyValue* caption = stored.find(u"Caption");
    setCaption(caption ? textOf(*caption) : u"Caption");
    const PropertyValue* enabled = stored.find(u"Enabled");
    setEnabled(enabled ? booleanOf(*enabled) : true);
    iconNormal_ = pictureOf(stored.find(u"IconNormal"));
    iconDown_ = pictureOf(stored.find(u"IconDown"));
    if (const PropertyValue* font = stored.find(u"Font")) {
        if (const auto* object = std::get_if<Font>(font)) {
            font_ = *object;
        } else if (const auto* description = std::get_if<StoredFont>(font)) {
            font_ = surface_.makeFont(*description);
        } else {
            throw typeMismatch();
        }
    }
    redraw(true);
}

void CommandButton::save(PropertyBag& stored) const {
    stored.write(u"Caption", caption_);
    if (!enabled_) stored.write(u"Enabled", false);
    if (iconNormal_) stored.write(u"IconNormal", *iconNormal_);
    if (iconDown_) stored.write(u"IconDown", *iconDown_);
    stored.write(u"Font", font_);
}

}  // namespace scandrel::controls
