// The texture pool: a few worker threads, one per core, that render the generated
// images of the galaxy, system and planet objects while the main thread keeps the
// loading screen alive. An image is split into bands of rows and every pixel is
// computed exactly as one thread computes it, so the bytes are the same.
//
// Who touches what: the main thread describes each render (the recipe's pigment on its
// own fork, its size, a private copy of the projection view it needs), allocates the
// image, waits, and stores the finished image in the object's field. The workers only
// read the pigment and the view copy and write their own rows. OpenGL, the toolkit,
// the loading screen and the generator objects stay on the main thread.
//
// How the screens use it:
//   - system screen, the ten suns:   MakeSphereImages(systems, 10);
//   - planet screen, the ten planets: MakeLayeredMapImages(planets, 10);
//   then take each image with the usual recipe (MakeSphereImage, MakeLayeredMapImage),
//   which now returns the kept image at once. Null entries are skipped; images an
//   object already has are not made again. For per-image loading stages use a
//   CImageBatch: Start every image first, then Wait for each inside its stage.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "texgen/tg_generators.h"

// The number of worker threads: the machine's cores (at least 1, at most 32). The
// workers start with the first batch and live until the program ends.
uint32_t TexturePoolWorkerCount();

// Several recipe images rendered at once. Main thread only; the batch must end before
// the generator objects whose images it makes.
class CImageBatch {
public:
    static constexpr uint32_t kNoTicket = 0xFFFFFFFFu;

    // progress is told the share done while Wait blocks; null: nobody.
    explicit CImageBatch(RecipeProgress progress = nullptr);
    // Waits for every image still in work and keeps it, as Wait does.
    ~CImageBatch();
    CImageBatch(const CImageBatch&) = delete;
    CImageBatch& operator=(const CImageBatch&) = delete;

    // Hands the render to the workers and takes over its pigment reference. kNoTicket
    // when there is nothing to render (the object has the image already). A projected
    // render's view is made current here (traced on the workers, waiting) and copied
    // for them.
    uint32_t Start(const RecipeRender& render);
    // Blocks until the ticket's image is done, reporting loading progress `progress`
    // of the current range about every 4 ms meanwhile; then stores the image in its
    // field (an image the field got meanwhile is kept and this one freed). kNoTicket
    // and tickets already kept return at once.
    void Wait(uint32_t ticket, double progress = 0.0);
    void WaitAll();

    // Any work split in bands of rows, run on the workers: work(first, end) for each
    // band of 0..rows. Wait for the ticket as for an image.
    uint32_t StartRows(uint32_t rows, std::function<void(uint32_t, uint32_t)> work);

    struct State;

private:
    // The view a projected render needs, traced on the workers when it is new.
    std::shared_ptr<const ProjectionCache> ViewFor(const RecipeRender& render);

    std::shared_ptr<State> m_state;
    RecipeProgress m_progress;
};

// A galaxy's suns for the system screen: every system's sphere image (MakeSphereImage)
// made at once on the pool; the objects' progress moves by the images done (of the
// current range). Null entries are skipped.
void MakeSphereImages(CSystemGenerator* const systems[], uint32_t count);
// A system's planets for the planet screen: every planet's layered map image
// (MakeLayeredMapImage) made at once the same way.
void MakeLayeredMapImages(CPlanetGenerator* const planets[], uint32_t count);
// The 17 images a game of the planet needs (the glow, the four surfaces, the twelve
// block images), started on a batch in the game's loading order. Either object may be
// null. The tickets: [0] glow, [1] inner wall (second random), [2] floor
// (turbulence), [3] rim (random), [4] outer wall (layered flat), [5 + c] block c.
constexpr uint32_t kPlanetGameImageCount = 17;
void StartPlanetGameImages(CImageBatch& batch, CGalaxyGenerator* galaxy,
                           CPlanetGenerator* planet, uint32_t tickets[kPlanetGameImageCount]);
