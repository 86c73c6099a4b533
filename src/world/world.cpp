#include "world/world.h"

void WorldSprite::SetPicture(std::string_view name) {
    TPictureCollectionItem& item = w.images.FindImage(name);
    ImageItem = &item;
    Width = item.PatternWidth();
    Height = item.PatternHeight();
}

int32_t WorldSprite::PatternCount() const {
    return ImageItem != nullptr ? ImageItem->PatternCount() : 0;
}

double LaneX(const GameState& state, int32_t lane, int32_t offset) {
    return state.RoadLeft + lane * state.LaneWidth + offset;
}
