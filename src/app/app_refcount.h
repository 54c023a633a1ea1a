// Base of the objects shared by pointer between owners and threads (noise, colour
// maps, pigments, sounds, music): a count that starts at 1, raised and lowered
// atomically; the last release deletes the object.
#pragma once

#include <atomic>
#include <cstdint>

class CRefCountedObject {
public:
    CRefCountedObject() : m_refCount(1) {}
    CRefCountedObject(const CRefCountedObject&) = delete;
    CRefCountedObject& operator=(const CRefCountedObject&) = delete;

    void AddRef() { m_refCount.fetch_add(1, std::memory_order_relaxed); }

    // Deletes the object when this was the last reference.
    void Release() {
        if (m_refCount.fetch_sub(1, std::memory_order_acq_rel) == 1) delete this;
    }

    int32_t RefCount() const { return m_refCount.load(std::memory_order_relaxed); }

protected:
    virtual ~CRefCountedObject() = default;

private:
    std::atomic<int32_t> m_refCount;
};
