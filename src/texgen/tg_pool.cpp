// The texture pool's workers and the batches of recipe images they render.
#include "texgen/tg_pool.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "app/app_check.h"
#include "platform/pf_thread_messages.h"
#include "texgen/tg_pigment.h"
#include "texgen/tg_render.h"

namespace {

constexpr uint32_t kBandRows = 8;       // rows per job: a 512-row image is 64 jobs
constexpr uint32_t kMaxWorkers = 32;
constexpr auto kProgressInterval = std::chrono::milliseconds(4);

}  // namespace

// One image in work, or other work split in row bands (then without a render).
struct ImageEntry {
    std::function<void(uint32_t, uint32_t)> work;   // one band: rows first up to end
    RecipeRender render{};                          // the pigment reference is ours
    TextureImage* image = nullptr;                  // allocated on the main thread
    std::shared_ptr<const ProjectionCache> view;    // the workers' copy; null when flat
    uint32_t bandsLeft = 0;                         // guarded by the batch's mutex
    bool kept = false;                              // stored (or given up) by Wait
};

struct CImageBatch::State {
    std::mutex mutex;
    std::condition_variable bandDone;
    std::deque<ImageEntry> entries;  // a deque: entries never move once started
    std::thread::id owner = std::this_thread::get_id();  // the only thread that may use it
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
        for (uint32_t i = 0; i < count; ++i) {
            m_workers.emplace_back([this]() { Work(); });
            PfNameThread(m_workers.back(), "texgen");
        }
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

    // The main thread lends a hand while it waits: one band, if any is queued. A band
    // takes a few milliseconds, so the loading screen still redraws in time.
    bool RunOne() {
        Band band;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_queue.empty()) return false;
            band = std::move(m_queue.front());
            m_queue.pop_front();
        }
        Run(band);
        return true;
    }

private:
    static void Run(Band& band) {
        band.entry->work(band.firstRow, band.endRow);
        std::lock_guard<std::mutex> lock(band.state->mutex);
        if (--band.entry->bandsLeft == 0) band.state->bandDone.notify_all();
    }

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
            Run(band);
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

CImageBatch::CImageBatch(RecipeProgress progress)
    : m_state(std::make_shared<State>()), m_progress(progress) {}

CImageBatch::~CImageBatch() { WaitAll(); }

uint32_t CImageBatch::StartRows(uint32_t rows, std::function<void(uint32_t, uint32_t)> work) {
    State& s = *m_state;
    VP_CHECK(s.owner == std::this_thread::get_id(), "CImageBatch used off the thread that made it");
    const uint32_t ticket = static_cast<uint32_t>(s.entries.size());
    s.entries.emplace_back();
    ImageEntry& e = s.entries.back();
    e.work = std::move(work);
    std::vector<Band> bands;
    for (uint32_t row = 0; row < rows; row += kBandRows)
        bands.push_back(Band{m_state, &e, row, std::min(rows, row + kBandRows)});
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        e.bandsLeft = static_cast<uint32_t>(bands.size());
    }
    if (!bands.empty()) Pool().Post(bands);
    return ticket;
}

std::shared_ptr<const ProjectionCache> CImageBatch::ViewFor(const RecipeRender& render) {
    // A view that is not current is made current and traced in bands here; the
    // workers then render from a copy, since the global view may change as soon as
    // Start returns. Images of the batch that need the same view share one copy.
    bool untraced = false;
    ProjectionCache* current = PrepareRecipeView(render, &untraced);
    if (untraced) {
        const size_t bandCount = (current->height + kBandRows - 1) / kBandRows;
        std::vector<std::vector<uint32_t>> counts(bandCount);
        std::vector<std::vector<SurfaceSample>> samples(bandCount);
        const ProjectionCache* view = current;
        Wait(StartRows(current->height, [view, &counts, &samples](uint32_t first, uint32_t end) {
            TraceProjectionRows(*view, first, end, counts[first / kBandRows],
                                samples[first / kBandRows]);
        }));
        SetProjectionSamples(*current, counts.data(), samples.data(), bandCount);
    }
    for (const ImageEntry& other : m_state->entries)
        if (other.view && SameView(*other.view, *current)) return other.view;
    return std::make_shared<const ProjectionCache>(*current);
}

uint32_t CImageBatch::Start(const RecipeRender& render) {
    VP_CHECK(m_state->owner == std::this_thread::get_id(),
             "CImageBatch used off the thread that made it");
    if (render.pigment == nullptr || render.field == nullptr) {
        if (render.pigment) render.pigment->Release();
        return kNoTicket;
    }
    std::shared_ptr<const ProjectionCache> view;
    if (render.view != RecipeViewFlat) view = ViewFor(render);
    TextureImage* image = AllocateTextureImage(render.columns, render.rows);
    const IPigment* pigment = render.pigment;
    const ProjectionCache* shared = view.get();
    // No memory: no bands, and Wait keeps nothing.
    const uint32_t ticket = StartRows(image ? render.rows : 0, [pigment, shared, image](
                                                                   uint32_t first, uint32_t end) {
        if (shared)
            RenderPigmentProjectedRows(*shared, *pigment, image, first, end);
        else
            RenderPigmentFlatRows(*pigment, image, first, end);
    });
    ImageEntry& e = m_state->entries[ticket];
    e.render = render;
    e.image = image;
    e.view = std::move(view);
    return ticket;
}

void CImageBatch::Wait(uint32_t ticket, double progress) {
    State& s = *m_state;
    VP_CHECK(s.owner == std::this_thread::get_id(), "CImageBatch used off the thread that made it");
    VP_CHECK(ticket == kNoTicket || ticket < s.entries.size(),
             "CImageBatch::Wait for a ticket the batch never gave");
    if (ticket >= s.entries.size()) return;
    ImageEntry& e = s.entries[ticket];
    if (e.kept) return;
    {
        std::unique_lock<std::mutex> lock(s.mutex);
        while (e.bandsLeft > 0) {
            lock.unlock();
            const bool helped = Pool().RunOne();
            // The caller redraws its loading screen from here while the workers render.
            if (m_progress != nullptr) m_progress(progress);
            lock.lock();
            if (!helped && e.bandsLeft > 0) s.bandDone.wait_for(lock, kProgressInterval);
        }
    }
    e.kept = true;
    e.work = nullptr;
    if (e.render.field == nullptr) return;  // work without an image
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
    RecipeProgress progress = nullptr;
    for (uint32_t i = 0; i < count && progress == nullptr; ++i)
        if (objects[i]) progress = objects[i]->settings.progress;
    CImageBatch batch(progress);
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
