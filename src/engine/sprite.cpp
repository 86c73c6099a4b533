#include "engine/sprite.h"

#include <algorithm>
#include <chrono>
#include <cmath>

#include "base/errors.h"
#include "engine/image_list.h"
#include "engine/math256.h"
#include "platform/draw_surface.h"

namespace {

int32_t Trunc(double v) {
    return static_cast<int32_t>(std::trunc(v));
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// TSprite

TSprite::TSprite() = default;

TSprite::TSprite(TSprite* parent) : parent_(parent) {
    if (parent_ != nullptr) {
        world_ = dynamic_cast<TSpriteEngine*>(parent_);
        if (world_ == nullptr) world_ = parent_->world_;
        parent_->AddChild(this);
        if (world_ != nullptr) ++world_->SpriteTotal;
    }
}

TSprite::~TSprite() {
    FreeChildren();
    if (parent_ != nullptr) {
        if (world_ != nullptr) {
            --world_->SpriteTotal;
            auto& dead = world_->DeadList;
            dead.erase(std::remove(dead.begin(), dead.end(), this), dead.end());
            if (world_->Collider == this) world_->Collider = nullptr;
        }
        parent_->RemoveChild(this);
    }
}

void TSprite::Hit(TSprite*, bool&) {}
void TSprite::Render() {}
void TSprite::Step(int32_t) {}

Rect TSprite::Extent() const {
    return MakeRect(Trunc(AbsoluteX()), Trunc(AbsoluteY()), Width, Height);
}

bool TSprite::Touches(TSprite*) {
    return true;
}

void TSprite::AddChild(TSprite* child) {
    if (!children_) {
        children_ = std::make_unique<std::vector<TSprite*>>();
        drawOrder_ = std::make_unique<std::vector<TSprite*>>();
    }
    children_->push_back(child);
    InsertByZ(child);
}

void TSprite::RemoveChild(TSprite* child) {
    if (!children_) return;
    children_->erase(std::remove(children_->begin(), children_->end(), child), children_->end());
    drawOrder_->erase(std::remove(drawOrder_->begin(), drawOrder_->end(), child), drawOrder_->end());
    if (children_->empty()) {
        children_.reset();
        drawOrder_.reset();
    }
}

// A sprite joining a layer goes in front of the older sprites of the same Z in the list,
// so it is drawn first and seen beneath them.
void TSprite::InsertByZ(TSprite* child) {
    auto position = std::lower_bound(drawOrder_->begin(), drawOrder_->end(), child->z_,
                                     [](const TSprite* s, int32_t z) { return s->z_ < z; });
    drawOrder_->insert(position, child);
}

void TSprite::SetZ(int32_t z) {
    if (z == z_) return;
    z_ = z;
    if (parent_ != nullptr && parent_->drawOrder_) {
        auto& order = *parent_->drawOrder_;
        order.erase(std::remove(order.begin(), order.end(), this), order.end());
        parent_->InsertByZ(this);
    }
}

double TSprite::AbsoluteX() const {
    return parent_ != nullptr ? X + parent_->AbsoluteX() : X;
}

double TSprite::AbsoluteY() const {
    return parent_ != nullptr ? Y + parent_->AbsoluteY() : Y;
}

void TSprite::Kill() {
    if (world_ != nullptr && !dead_) {
        dead_ = true;
        world_->DeadList.push_back(this);
    }
}

int32_t TSprite::ChildCount() const {
    return children_ ? static_cast<int32_t>(children_->size()) : 0;
}

TSprite* TSprite::ChildAt(int32_t index) const {
    if (!children_) throw GameError(FormatMessage("Index of the list exceeds the range. (%d)", index));
    if (index < 0 || index >= static_cast<int32_t>(children_->size()))
        throw GameError(FormatMessage("List index out of bounds (%d)", index));
    return (*children_)[static_cast<size_t>(index)];
}

void TSprite::FreeChildren() {
    while (ChildCount() > 0) delete ChildAt(ChildCount() - 1);
}

void TSprite::MoveTree(int32_t lagCount) {
    if (!CanMove) return;
    Step(lagCount);
    // Sprites added during the pass are appended and wait for the next frame.
    const int32_t n = ChildCount();
    for (int32_t i = 0; i < n; ++i) ChildAt(i)->MoveTree(lagCount);
}

void TSprite::DrawTree() {
    if (!Shown) return;
    if (world_ != nullptr && Overlaps(Extent(), world_->ViewRect)) {
        Render();
        ++world_->DrawnCount;
    }
    if (drawOrder_) {
        const size_t n = drawOrder_->size();
        for (size_t i = 0; i < n && drawOrder_; ++i) (*drawOrder_)[i]->DrawTree();
    }
}

int32_t TSprite::Collide() {
    if (world_ == nullptr || dead_ || !CanCollide) return 0;
    TSpriteEngine& w = *world_;
    w.HitCount = 0;
    w.PassDone = false;
    w.ColliderRect = Extent();
    w.Collider = this;
    const int32_t n = w.ChildCount();
    for (int32_t i = 0; i < n && !w.PassDone; ++i) w.VisitForCollision(w.ChildAt(i));
    return w.HitCount;
}

// ---------------------------------------------------------------------------------------------
// TImageSprite

TImageSprite::TImageSprite(TSprite* parent) : TSprite(parent) {}

int32_t TImageSprite::CurrentPattern() const {
    return FrameStart + static_cast<int32_t>(std::trunc(FrameIndex));
}

void TImageSprite::Step(int32_t lagCount) {
    FrameIndex += FrameSpeed * lagCount;
    if (FrameLoop) {
        FrameIndex = FrameCount > 0 ? FloatMod(FrameIndex, FrameCount) : 0;
    } else {
        if (FrameIndex >= FrameCount) {
            FrameIndex = FrameCount - 1;
            FrameSpeed = 0;
        }
        if (FrameIndex < 0) {
            FrameIndex = 0;
            FrameSpeed = 0;
        }
    }
}

Rect TImageSprite::Extent() const {
    int32_t x = Trunc(AbsoluteX());
    int32_t y = Trunc(AbsoluteY());
    if (Wrap && World() != nullptr) {
        const Rect& view = World()->ViewRect;
        x = WrapMod(x, view.right + Width);
        if (x > view.right) x = x - view.right - Width;
        y = WrapMod(y, view.bottom + Height);
        if (y > view.bottom) y = y - view.bottom - Height;
    }
    return MakeRect(x, y, Width, Height);
}

void TImageSprite::Render() {
    if (ImageItem == nullptr || World() == nullptr || World()->DrawTarget() == nullptr) return;
    IDrawSurface& surface = *World()->DrawTarget();
    const Rect r = MakeRect(Trunc(AbsoluteX()), Trunc(AbsoluteY()), Width, Height);
    const int32_t opacity = Opacity <= 254 ? std::max(Opacity, 0) : 255;
    if (Rotation != 0) {
        const int32_t cx = (r.left + r.right) / 2;
        const int32_t cy = (r.top + r.bottom) / 2;
        const Rect dst = MakeRect(cx - Width / 2, cy - Height / 2, Width, Height);
        ImageItem->DrawRotated(surface, dst, CurrentPattern(), Rotation * 360.0 / 256.0, opacity);
    } else {
        ImageItem->StretchDraw(surface, r, CurrentPattern(), opacity);
    }
}

Rect TImageSprite::PictureRect() const {
    Rect r = Extent();
    if (ImageItem != nullptr) {
        const int32_t dx = (Width - ImageItem->PatternWidth()) / 2;
        const int32_t dy = (Height - ImageItem->PatternHeight()) / 2;
        r = MakeRect(r.left + dx, r.top + dy, ImageItem->PatternWidth(), ImageItem->PatternHeight());
    }
    return r;
}

bool TImageSprite::Touches(TSprite* other) {
    auto* image = dynamic_cast<TImageSprite*>(other);
    if (image == nullptr || !PixelExact) return true;
    const Rect a = PictureRect();
    const Rect b = image->PictureRect();
    if (ImageItem == nullptr || image->ImageItem == nullptr || !ImageItem->HasPixels() ||
        !image->ImageItem->HasPixels())
        return Overlaps(a, b);
    const Rect both = Intersect(a, b);
    const int32_t pa = CurrentPattern();
    const int32_t pb = image->CurrentPattern();
    for (int32_t y = both.top; y < both.bottom; ++y) {
        for (int32_t x = both.left; x < both.right; ++x) {
            if (ImageItem->IsOpaqueAt(pa, x - a.left, y - a.top) &&
                image->ImageItem->IsOpaqueAt(pb, x - b.left, y - b.top))
                return true;
        }
    }
    return false;
}

// ---------------------------------------------------------------------------------------------
// TBackgroundSprite

TBackgroundSprite::TBackgroundSprite(TSprite* parent) : TSprite(parent) {
    CanCollide = false;
}

TBackgroundSprite::~TBackgroundSprite() {
    ResizeMap(0, 0);
}

void TBackgroundSprite::ResizeMap(int32_t columns, int32_t rows) {
    if (columns == mapColumns_ && rows == mapRows_) return;
    if (columns <= 0 || rows <= 0) {
        columns = 0;
        rows = 0;
    }
    mapColumns_ = columns;
    mapRows_ = rows;
    const size_t count = static_cast<size_t>(columns) * static_cast<size_t>(rows);
    cells_.assign(count, 0);
    solidCells_.assign(count, 1);
}

int32_t TBackgroundSprite::Cell(int32_t column, int32_t row) const {
    if (column < 0 || row < 0 || column >= mapColumns_ || row >= mapRows_) return -1;
    return cells_[static_cast<size_t>(column + row * mapColumns_)];
}

bool TBackgroundSprite::SolidCell(int32_t column, int32_t row) const {
    if (column < 0 || row < 0 || column >= mapColumns_ || row >= mapRows_) return false;
    return solidCells_[static_cast<size_t>(column + row * mapColumns_)] != 0;
}

void TBackgroundSprite::SetCell(int32_t column, int32_t row, int32_t pattern) {
    if (column < 0 || row < 0 || column >= mapColumns_ || row >= mapRows_) return;
    cells_[static_cast<size_t>(column + row * mapColumns_)] = pattern;
}

void TBackgroundSprite::SetSolidCell(int32_t column, int32_t row, bool solid) {
    if (column < 0 || row < 0 || column >= mapColumns_ || row >= mapRows_) return;
    solidCells_[static_cast<size_t>(column + row * mapColumns_)] = solid ? 1 : 0;
}

void TBackgroundSprite::Render() {
    if (ImageItem == nullptr || mapColumns_ <= 0 || mapRows_ <= 0 || World() == nullptr ||
        World()->DrawTarget() == nullptr)
        return;
    IDrawSurface& surface = *World()->DrawTarget();
    const Rect& view = World()->ViewRect;
    const Rect cell0 = ImageItem->PatternRect(0);
    const int32_t w = cell0.Width();
    const int32_t h = cell0.Height();
    if (w <= 0 || h <= 0) return;
    const int32_t cols = (view.right + w) / w + 1;
    const int32_t rows = (view.bottom + h) / h + 1;
    const int32_t px = Trunc(AbsoluteX());
    const int32_t py = Trunc(AbsoluteY());
    const int32_t ox = px % w;
    const int32_t oy = py % h;
    int32_t sx = px / w;
    int32_t sx0 = 0;
    if (sx < 0) {
        sx0 = -sx;
        sx = 0;
    }
    int32_t sy = py / h;
    int32_t sy0 = 0;
    if (sy < 0) {
        sy0 = -sy;
        sy = 0;
    }
    if (Wrap) {
        for (int32_t cy = -1; cy <= rows; ++cy) {
            for (int32_t cx = -1; cx <= cols; ++cx) {
                const int32_t c = Cell(WrapMod(cx - sx + sx0, mapColumns_), WrapMod(cy - sy + sy0, mapRows_));
                if (c >= 0) ImageItem->DrawPattern(surface, cx * w + ox, cy * h + oy, c);
            }
        }
    } else {
        const int32_t ex = std::min(sx + mapColumns_ - sx0, cols);
        const int32_t ey = std::min(sy + mapRows_ - sy0, rows);
        for (int32_t cy = sy; cy < ey; ++cy) {
            for (int32_t cx = sx; cx < ex; ++cx) {
                const int32_t c = Cell(cx - sx + sx0, cy - sy + sy0);
                if (c >= 0) ImageItem->DrawPattern(surface, cx * w + ox, cy * h + oy, c);
            }
        }
    }
}

Rect TBackgroundSprite::Extent() const {
    if (Wrap) return World() != nullptr ? World()->ViewRect : Rect{};
    if (ImageItem == nullptr) return Rect{};
    return MakeRect(Trunc(AbsoluteX()), Trunc(AbsoluteY()), ImageItem->PatternWidth() * mapColumns_,
                    ImageItem->PatternHeight() * mapRows_);
}

bool TBackgroundSprite::Touches(TSprite* other) {
    if (ImageItem == nullptr || mapColumns_ <= 0 || mapRows_ <= 0) return true;
    const int32_t w = ImageItem->PatternWidth();
    const int32_t h = ImageItem->PatternHeight();
    if (w <= 0 || h <= 0) return false;
    Rect r = Intersect(other->Extent(), Extent());
    const int32_t dx = Trunc(AbsoluteX());
    const int32_t dy = Trunc(AbsoluteY());
    r = Rect{r.left - dx, r.top - dy, r.right - dx, r.bottom - dy};
    if (r.right <= r.left || r.bottom <= r.top) return false;
    // Cells whose box meets the rectangle; floor division keeps negative offsets right.
    auto floorDiv = [](int32_t a, int32_t b) { return a >= 0 ? a / b : -((-a + b - 1) / b); };
    for (int32_t row = floorDiv(r.top, h); row <= floorDiv(r.bottom - 1, h); ++row) {
        for (int32_t column = floorDiv(r.left, w); column <= floorDiv(r.right - 1, w); ++column) {
            if (SolidCell(WrapMod(column, mapColumns_), WrapMod(row, mapRows_))) return true;
        }
    }
    return false;
}

// ---------------------------------------------------------------------------------------------
// TSpriteEngine

TSpriteEngine::TSpriteEngine() = default;

TSpriteEngine::~TSpriteEngine() {
    // Children unregister from DeadList while they go: free them while it still exists.
    FreeChildren();
}

void TSpriteEngine::VisitForCollision(TSprite* sprite) {
    if (PassDone || !sprite->CanCollide) return;
    TSprite* collider = Collider;
    if (sprite != collider && Overlaps(sprite->Extent(), ColliderRect) && collider->Touches(sprite) &&
        sprite->Touches(collider)) {
        ++HitCount;
        collider->Hit(sprite, PassDone);
        // A collider that died or stopped colliding ends the pass everywhere.
        if (!collider->CanCollide || collider->Dead()) PassDone = true;
    }
    if (PassDone) return;
    const int32_t n = sprite->ChildCount();
    for (int32_t i = 0; i < n && !PassDone; ++i) VisitForCollision(sprite->ChildAt(i));
}

void TSpriteEngine::RemoveDead() {
    while (!DeadList.empty()) delete DeadList.back();
}

void TSpriteEngine::RenderPass() {
    DrawnCount = 0;
    DrawTree();
}

void TSpriteEngine::SetDrawTarget(IDrawSurface* surface) {
    drawTarget_ = surface;
    if (surface != nullptr) {
        ViewRect = Rect{0, 0, surface->Width(), surface->Height()};
        Width = ViewRect.right - ViewRect.left;
        Height = ViewRect.bottom - ViewRect.top;
    }
}

// ---------------------------------------------------------------------------------------------
// TDXSpriteEngine

TDXSpriteEngine::TDXSpriteEngine() : engine_(std::make_unique<TSpriteEngine>()) {}

TDXSpriteEngine::~TDXSpriteEngine() = default;

void TDXSpriteEngine::MoveWorld(int32_t lagCount) {
    const auto start = std::chrono::steady_clock::now();
    engine_->MoveTree(lagCount);
    LastMoveNanoseconds =
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - start)
            .count();
}

void TDXSpriteEngine::RemoveDead() {
    engine_->RemoveDead();
}

void TDXSpriteEngine::Render() {
    if (surfaceReady_ && engine_->DrawTarget() != nullptr) engine_->RenderPass();
}

void TDXSpriteEngine::SurfaceInitialized(IDrawSurface* surface) {
    engine_->SetDrawTarget(surface);
    surfaceReady_ = surface != nullptr;
}

void TDXSpriteEngine::SurfaceFinalized() {
    engine_->SetDrawTarget(nullptr);
    surfaceReady_ = false;
}
