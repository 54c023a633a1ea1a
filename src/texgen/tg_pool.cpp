// The texture pool's workers and the batches of recipe images they render.
#include "texgen/tg_pool.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "display/dp_loading.h"
#include "texgen/tg_pigment.h"
#include "texgen/tg_render.h"

namespace {

constexpr uint32_t kBandRows = 8;       // rows per job: a 512-row image is 64 jobs
constexpr uint32_t kMaxWorkers = 32;
constexpr auto kProgressInterval = std::chrono::milliseconds(4);

}  // namespace

// One image in work.
struct ImageEntry {
    RecipeRender render;                            // the pigment reference is ours
    TextureImage* image = nullptr;                  // allocated on the main thread
    std::shared_ptr<const ProjectionCache> view;    // the workers' copy; null when flat
    uint32_t bandsLeft = 0;                         // guarded by the batch's mutex
    bool kept = false;                              // stored (or given up) by Wait
};

struct CImageBatch::State {
    std::mutex mutex;
    std::condition_variable bandDone;
    std::deque<ImageEntry> entries;  // a deque: entries never move once started
};

namespace {

struct Band {
    std::shared_ptr<CImageBatch::State> state;
    ImageEntry* entry;
    uint32_t firstRow;
    uint32_t endRow;
};

// The workers and their queue: made at the first batch, joined at the program's end.
class TexturePool {
public:
    explicit TexturePool(uint32_t count) {
        for (uint32_t i = 0; i < count; ++i) m_workers.emplace_back([this]() { Work(); });
    }
    ~TexturePool() {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_stopping = true;
        }
        m_ready.notify_all();
        for (std::thread& worker : m_workers) worker.join();
    }

    void Post(std::vector<Band>& bands) {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            for (Band& band : bands) m_queue.push_back(std::move(band));
        }
        m_ready.notify_all();
    }

private:
    void Work() {
        for (;;) {
            Band band;
            {
                std::unique_lock<std::mutex> lock(m_mutex);
                m_ready.wait(lock, [this]() { return m_stopping || !m_queue.empty(); });
                if (m_queue.empty()) return;  // stopping, and nothing left
                band = std::move(m_queue.front());
                m_queue.pop_front();
            }
            const ImageEntry& e = *band.entry;
            if (e.view)
                RenderPigmentProjectedRows(*e.view, *e.render.pigment, e.image, band.firstRow,
                                           band.endRow);
            else
                RenderPigmentFlatRows(*e.render.pigment, e.image, band.firstRow, band.endRow);
            std::lock_guard<std::mutex> lock(band.state->mutex);
            if (--band.entry->bandsLeft == 0) band.state->bandDone.notify_all();
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_ready;
    std::deque<Band> m_queue;  // first in, first out: images finish about in start order
    bool m_stopping = false;
    std::vector<std::thread> m_workers;
};

TexturePool& Pool() {
    static TexturePool pool(TexturePoolWorkerCount());
    return pool;
}

bool SameView(const ProjectionCache& a, const ProjectionCache& b) {
    return a.width == b.width && a.height == b.height && a.ambient == b.ambient &&
           a.light.x == b.light.x && a.light.y == b.light.y && a.light.z == b.light.z &&
           a.surface == b.surface && a.samples.size() == b.samples.size();
}

}  // namespace

uint32_t TexturePoolWorkerCount() {
    const uint32_t cores = std::thread::hardware_concurrency();
    return std::clamp<uint32_t>(cores, 1, kMaxWorkers);
}

CImageBatch::CImageBatch() : m_state(std::make_shared<State>()) {}

CImageBatch::~CImageBatch() { WaitAll(); }

uint32_t CImageBatch::Start(const RecipeRender& render) {
    if (render.pigment == nullptr || render.field == nullptr) {
        if (render.pigment) render.pigment->Release();
        return kNoTicket;
    }
    State& s = *m_state;
    const uint32_t ticket = static_cast<uint32_t>(s.entries.size());
    s.entries.emplace_back();
    ImageEntry& e = s.entries.back();
    e.render = render;
    if (render.view != RecipeViewFlat) {
        // The global view may change as soon as we return; the workers read a copy,
        // shared by every image of the batch that needs the same view.
        const ProjectionCache* current = PrepareRecipeView(render);
        for (const ImageEntry& other : s.entries)
            if (other.view && SameView(*other.view, *current)) e.view = other.view;
        if (!e.view) e.view = std::make_shared<const ProjectionCache>(*current);
    }
    e.image = AllocateTextureImage(render.columns, render.rows);
    if (e.image == nullptr) return ticket;  // no memory: Wait keeps nothing

    std::vector<Band> bands;
    for (uint32_t row = 0; row < render.rows; row += kBandRows)
        bands.push_back(Band{m_state, &e, row, std::min(render.rows, row + kBandRows)});
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        e.bandsLeft = static_cast<uint32_t>(bands.size());
    }
    Pool().Post(bands);
    return ticket;
}

void CImageBatch::Wait(uint32_t ticket, double progress) {
    State& s = *m_state;
    if (ticket >= s.entries.size()) return;
    ImageEntry& e = s.entries[ticket];
    if (e.kept) return;
    {
        std::unique_lock<std::mutex> lock(s.mutex);
        while (e.bandsLeft > 0) {
            s.bandDone.wait_for(lock, kProgressInterval);
            // The loading screen redraws from here while the workers render.
            lock.unlock();
            UpdateLoadingProgress(progress);
            lock.lock();
        }
    }
    e.kept = true;
    FinishRecipeImage(e.render, e.image);
    e.render.pigment->Release();
    e.render.pigment = nullptr;
    e.view.reset();
    TextureImage*& field = *e.render.field;
    if (field == nullptr)
        field = e.image;
    else
        FreeTextureImage(e.image);  // made meanwhile by the recipe itself
    e.image = nullptr;
}

void CImageBatch::WaitAll() {
    for (uint32_t ticket = 0; ticket < m_state->entries.size(); ++ticket) Wait(ticket);
}

namespace {

// Starts every render, then waits for each in turn with the bar at the share done.
template <typename Object, typename Describe>
void MakeImagesAtOnce(Object* const objects[], uint32_t count, Describe describe) {
    CImageBatch batch;
    std::vector<uint32_t> tickets;
    for (uint32_t i = 0; i < count; ++i)
        tickets.push_back(objects[i] ? batch.Start(describe(*objects[i])) : CImageBatch::kNoTicket);
    for (uint32_t i = 0; i < count; ++i) batch.Wait(tickets[i], double(i) / count);
}

}  // namespace

void MakeSphereImages(CSystemGenerator* const systems[], uint32_t count) {
    MakeImagesAtOnce(systems, count, SphereImageRender);
}

void MakeLayeredMapImages(CPlanetGenerator* const planets[], uint32_t count) {
    MakeImagesAtOnce(planets, count, LayeredMapImageRender);
}

void StartPlanetGameImages(CImageBatch& batch, CGalaxyGenerator* galaxy,
                           CPlanetGenerator* planet, uint32_t tickets[kPlanetGameImageCount]) {
    std::fill(tickets, tickets + kPlanetGameImageCount, CImageBatch::kNoTicket);
    if (galaxy) tickets[0] = batch.Start(GlowImageRender(*galaxy));
    if (planet == nullptr) return;
    tickets[1] = batch.Start(SecondRandomPigmentImageRender(*planet));
    tickets[2] = batch.Start(TurbulenceImageRender(*planet));
    tickets[3] = batch.Start(RandomPigmentImageRender(*planet));
    tickets[4] = batch.Start(LayeredFlatImageRender(*planet));
    for (uint32_t c = 0; c < 12; ++c)
        tickets[5 + c] = batch.Start(ForegroundPigmentImageRender(*planet, c));
}
