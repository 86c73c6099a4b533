#pragma once
// The sprite tree: every visible thing is a sprite owned by its parent, the engine root at the top.
// Once a frame the tree is moved (each sprite's Step, which may run its own collision pass),
// drawn in Z order, and the sprites killed during the frame are freed.

#include <cstdint>
#include <memory>
#include <vector>

#include "base/geometry.h"

class TSpriteEngine;
class TPictureCollectionItem;
class IDrawSurface;

class TSprite {
public:
    explicit TSprite(TSprite* parent);
    virtual ~TSprite();
    TSprite(const TSprite&) = delete;
    TSprite& operator=(const TSprite&) = delete;

    // Virtual operations, in the order every subclass keeps.
    virtual void Hit(TSprite* other, bool& done);
    virtual void Render();
    virtual void Step(int32_t lagCount);
    virtual Rect Extent() const;
    virtual bool Touches(TSprite* other);

    // Marks the sprite dead; the engine frees it in RemoveDead.
    void Kill();
    // Runs a collision pass with this sprite as the collider; returns the number of Hit calls.
    int32_t Collide();
    void MoveTree(int32_t lagCount);
    void DrawTree();

    int32_t ChildCount() const;
    TSprite* ChildAt(int32_t index) const;
    void FreeChildren();

    int32_t Z() const { return z_; }
    void SetZ(int32_t z);
    double AbsoluteX() const;
    double AbsoluteY() const;

    TSpriteEngine* World() const { return world_; }
    TSprite* ParentSprite() const { return parent_; }
    bool Dead() const { return dead_; }
    // The children sorted by ascending Z (newest first within a layer); empty when there are none.
    const std::vector<TSprite*>* DrawOrder() const { return drawOrder_.get(); }

    bool CanCollide = true;
    bool CanMove = true;
    bool Shown = true;
    double X = 0;
    double Y = 0;
    int32_t Width = 0;
    int32_t Height = 0;

protected:
    // For the engine root, which has no parent.
    TSprite();

private:
    friend class TSpriteEngine;
    void AddChild(TSprite* child);
    void RemoveChild(TSprite* child);
    void InsertByZ(TSprite* child);

    TSpriteEngine* world_ = nullptr;
    TSprite* parent_ = nullptr;
    std::unique_ptr<std::vector<TSprite*>> children_;
    std::unique_ptr<std::vector<TSprite*>> drawOrder_;
    bool dead_ = false;
    int32_t z_ = 0;
};

class TImageSprite : public TSprite {
public:
    explicit TImageSprite(TSprite* parent);

    void Render() override;
    void Step(int32_t lagCount) override;
    Rect Extent() const override;
    bool Touches(TSprite* other) override;

    int32_t CurrentPattern() const;
    Rect PictureRect() const;

    uint8_t Rotation = 0;  // 1/256 turn, clockwise on screen
    int32_t Opacity = 255;
    int32_t FrameCount = 0;
    bool FrameLoop = false;
    double FrameIndex = 0;
    double FrameSpeed = 0;
    int32_t FrameStart = 0;
    TPictureCollectionItem* ImageItem = nullptr;
    bool PixelExact = false;
    bool Wrap = false;
};

class TBackgroundSprite : public TSprite {
public:
    explicit TBackgroundSprite(TSprite* parent);
    ~TBackgroundSprite() override;

    void Render() override;
    Rect Extent() const override;
    bool Touches(TSprite* other) override;

    void ResizeMap(int32_t columns, int32_t rows);
    int32_t MapColumns() const { return mapColumns_; }
    int32_t MapRows() const { return mapRows_; }
    // -1 and false outside the map.
    int32_t Cell(int32_t column, int32_t row) const;
    bool SolidCell(int32_t column, int32_t row) const;
    void SetCell(int32_t column, int32_t row, int32_t pattern);
    void SetSolidCell(int32_t column, int32_t row, bool solid);

    TPictureCollectionItem* ImageItem = nullptr;
    bool Wrap = false;

private:
    std::vector<uint8_t> solidCells_;
    std::vector<int32_t> cells_;
    int32_t mapColumns_ = 0;
    int32_t mapRows_ = 0;
};

class TSpriteEngine : public TSprite {
public:
    TSpriteEngine();
    ~TSpriteEngine() override;

    void RemoveDead();
    // The draw pass: clears DrawnCount, then draws the tree.
    void RenderPass();
    void SetDrawTarget(IDrawSurface* surface);
    IDrawSurface* DrawTarget() const { return drawTarget_; }

    int32_t SpriteTotal = 0;
    int32_t HitCount = 0;
    bool PassDone = false;
    Rect ColliderRect;
    TSprite* Collider = nullptr;
    std::vector<TSprite*> DeadList;
    int32_t DrawnCount = 0;
    Rect ViewRect{0, 0, 800, 600};

private:
    friend class TSprite;
    // One step of the collision pass of Collider: tests `sprite`, then its subtree.
    void VisitForCollision(TSprite* sprite);

    IDrawSurface* drawTarget_ = nullptr;
};

// Links the engine root to the drawing surface.
class TDXSpriteEngine {
public:
    TDXSpriteEngine();
    ~TDXSpriteEngine();

    TSpriteEngine& Engine() { return *engine_; }
    void MoveWorld(int32_t lagCount);
    void RemoveDead();
    // How long the last move pass (with the collision passes the sprites run) took, for the
    // simulator's timedemo.
    int64_t LastMoveNanoseconds = 0;
    // Draws only while a surface is linked and initialised.
    void Render();
    void SurfaceInitialized(IDrawSurface* surface);
    void SurfaceFinalized();

private:
    std::unique_ptr<TSpriteEngine> engine_;
    bool surfaceReady_ = false;
};
