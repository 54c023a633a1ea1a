// Frame figures the drawing benchmarks share: each frame's wall and main-thread time,
// the mean and 99th percentile printed beside the goal, and a digest of a frame's
// pixels that must not change when the drawing is made faster.
#pragma once

#include <GL/gl.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <vector>

// A frame is within the goal at a mean of 10 ms and a 99th percentile of 12 ms.
constexpr double kFrameGoalMeanMs = 10.0;
constexpr double kFrameGoalP99Ms = 12.0;

// CPU time of the calling thread: the part of a frame the renderer's own threads cannot
// take over.
inline double ThreadCpuMs() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) * 1e-6;
}

// FNV-1a of the back buffer's RGBA pixels, read before the swap.
inline uint64_t BackBufferDigest(int width, int height) {
    std::vector<uint8_t> pixels(size_t(width) * size_t(height) * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    uint64_t h = 1469598103934665603ull;
    for (uint8_t b : pixels) h = (h ^ b) * 1099511628211ull;
    return h;
}

// Times frames: Start before drawing, Stop after glFinish.
class FrameTimer {
public:
    void Start() {
        m_cpuStart = ThreadCpuMs();
        m_start = std::chrono::steady_clock::now();
    }
    void Stop() {
        const auto end = std::chrono::steady_clock::now();
        m_wall.push_back(std::chrono::duration<double, std::milli>(end - m_start).count());
        m_cpu += ThreadCpuMs() - m_cpuStart;
    }
    // One line: mean and p99 beside the goal, the main thread's mean, the digest.
    void Print(const char* label, uint64_t digest) {
        if (m_wall.empty()) return;
        std::sort(m_wall.begin(), m_wall.end());
        double sum = 0;
        for (double v : m_wall) sum += v;
        const double mean = sum / double(m_wall.size());
        const double p99 = m_wall[m_wall.size() * 99 / 100];
        std::printf("%-36s mean %6.2f ms (goal %.0f)  p99 %6.2f ms (goal %.0f)  "
                    "main thread %6.2f ms  %s  frame %016llx\n",
                    label, mean, kFrameGoalMeanMs, p99, kFrameGoalP99Ms,
                    m_cpu / double(m_wall.size()),
                    mean <= kFrameGoalMeanMs && p99 <= kFrameGoalP99Ms ? "within" : "OVER  ",
                    static_cast<unsigned long long>(digest));
    }

private:
    std::vector<double> m_wall;
    double m_cpu = 0;
    double m_cpuStart = 0;
    std::chrono::steady_clock::time_point m_start;
};
