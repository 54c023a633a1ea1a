// Sweep-and-prune broad phase over the well's plane.
#include "game/gm_broadphase.h"

#include <cstring>
#include <limits>

#include "game/gm_math.h"

namespace {

inline void Unlink(BroadPhaseEndpoint* e) {
    e->prev->next = e->next;
    e->next->prev = e->prev;
    e->next = nullptr;
    e->prev = nullptr;
}

inline void LinkAfter(BroadPhaseEndpoint* e, BroadPhaseEndpoint* anchor) {
    e->prev = anchor;
    e->next = anchor->next;
    anchor->next->prev = e;
    anchor->next = e;
}

inline void LinkBefore(BroadPhaseEndpoint* e, BroadPhaseEndpoint* anchor) {
    e->next = anchor;
    e->prev = anchor->prev;
    anchor->prev->next = e;
    anchor->prev = e;
}

}  // namespace

CBroadPhase::CBroadPhase()
    : m_objectCount(0), m_allowed(0), m_blocks(nullptr), m_blockCount(0),
      m_freeNodes(nullptr), m_pairs(nullptr) {
    static const double kSentinelValues[4] = {-kInfinity, kInfinity, -kInfinity, kInfinity};
    for (uint8_t k = 0; k < 4; ++k) {
        m_sentinels[k].value = kSentinelValues[k];
        m_sentinels[k].next = nullptr;
        m_sentinels[k].prev = nullptr;
        m_sentinels[k].owner = 0;
        m_sentinels[k].kind = k;
    }
    m_sentinels[0].next = &m_sentinels[1];
    m_sentinels[1].prev = &m_sentinels[0];
    m_sentinels[2].next = &m_sentinels[3];
    m_sentinels[3].prev = &m_sentinels[2];

    m_enabled = new uint8_t[(kCapacity + 7) / 8]();
    m_types = new uint8_t[kCapacity]();
    m_userValues = new uint32_t[kCapacity]();
    m_endpoints = new BroadPhaseEndpoint[4 * kCapacity];
    for (uint32_t i = 0; i < 4 * kCapacity; ++i) {
        m_endpoints[i].value = 0.0;
        m_endpoints[i].next = nullptr;
        m_endpoints[i].prev = nullptr;
        m_endpoints[i].owner = i / 4;
        m_endpoints[i].kind = static_cast<uint8_t>(i % 4);
    }
    m_counters = new uint8_t[static_cast<size_t>(kCapacity) * kCapacity]();
}

CBroadPhase::~CBroadPhase() {
    while (m_blocks) {
        NodeBlock* previous = m_blocks->previous;
        delete m_blocks;
        m_blocks = previous;
    }
    delete[] m_counters;
    delete[] m_endpoints;
    delete[] m_userValues;
    delete[] m_types;
    delete[] m_enabled;
}

void CBroadPhase::AllowTypePair(uint8_t a, uint8_t b) {
    m_allowed |= uint64_t{1} << (a * kTypeCount + b);
    m_allowed |= uint64_t{1} << (b * kTypeCount + a);
}

uint32_t CBroadPhase::AddObject(uint8_t type, uint32_t userValue) {
    uint32_t index = m_objectCount;
    m_types[index] = type;
    m_userValues[index] = userValue;
    m_objectCount = index + 1;
    return index;
}

void CBroadPhase::MoveEndpointUp(uint32_t object, uint8_t kind, double value, bool counting) {
    BroadPhaseEndpoint* e = &m_endpoints[4 * object + kind];
    if (value > e->value) {
        e->value = value;
        if (IsEnabled(object)) SiftEndpointUp(e, counting);
    }
}

void CBroadPhase::MoveEndpointDown(uint32_t object, uint8_t kind, double value, bool counting) {
    BroadPhaseEndpoint* e = &m_endpoints[4 * object + kind];
    if (value < e->value) {
        e->value = value;
        if (IsEnabled(object)) SiftEndpointDown(e, counting);
    }
}

// Equal values never swap, so touching boxes keep the state they had; a NaN compares
// false and stays where it is. The sentinels' infinities stop every sift.
void CBroadPhase::SiftEndpointUp(BroadPhaseEndpoint* e, bool counting) {
    while (e->next->value < e->value) {
        BroadPhaseEndpoint* neighbour = e->next;
        Unlink(e);
        LinkAfter(e, neighbour);
        UpdatePairCounter(neighbour, e, counting);
    }
}

void CBroadPhase::SiftEndpointDown(BroadPhaseEndpoint* e, bool counting) {
    while (e->prev->value > e->value) {
        BroadPhaseEndpoint* neighbour = e->prev;
        Unlink(e);
        LinkBefore(e, neighbour);
        UpdatePairCounter(neighbour, e, counting);
    }
}

void CBroadPhase::UpdatePairCounter(const BroadPhaseEndpoint* other,
                                    const BroadPhaseEndpoint* moved, bool counting) {
    if (other->kind == moved->kind) return;
    uint32_t lo = other->owner < moved->owner ? other->owner : moved->owner;
    uint32_t hi = other->owner < moved->owner ? moved->owner : other->owner;
    uint8_t& c = Counter(lo, hi);
    if (!counting) {
        c = static_cast<uint8_t>(c - 1);
        return;
    }
    c = static_cast<uint8_t>(c + 1);
    // A listed counter carries the flag and never equals 4, so no pair is pushed twice
    // while its node is alive.
    if (c == 4 && lo != hi && IsTypePairAllowed(m_types[lo], m_types[hi])) {
        BroadPhasePair* node = AllocPairNode();
        node->a = lo;
        node->b = hi;
        node->next = m_pairs;
        m_pairs = node;
        c = static_cast<uint8_t>(c | kListedFlag);
    }
}

// The eight moves: first every shrinking move (passes only separate, not counting),
// then every growing move (passes only create overlap, counting).
void CBroadPhase::SetBox(uint32_t object, double minX, double minY, double maxX, double maxY) {
    MoveEndpointUp(object, 0, minX, false);
    MoveEndpointDown(object, 1, maxX, false);
    MoveEndpointUp(object, 2, minY, false);
    MoveEndpointDown(object, 3, maxY, false);
    MoveEndpointDown(object, 0, minX, true);
    MoveEndpointUp(object, 1, maxX, true);
    MoveEndpointDown(object, 2, minY, true);
    MoveEndpointUp(object, 3, maxY, true);
}

void CBroadPhase::SetSegmentBox(uint32_t object, const double from[3], const double to[3],
                                double radius) {
    SetBox(object, StrictMin(from[0], to[0]) - radius, StrictMin(from[1], to[1]) - radius,
           StrictMax(from[0], to[0]) + radius, StrictMax(from[1], to[1]) + radius);
}

void CBroadPhase::SetSweptBox(uint32_t object, const double box[4], const double displacement[3],
                              double margin) {
    double moved[4] = {box[0] + displacement[0], box[1] + displacement[1],
                       box[2] + displacement[0], box[3] + displacement[1]};
    SetBoxUnion(object, box, moved, margin);
}

void CBroadPhase::SetBoxUnion(uint32_t object, const double box1[4], const double box2[4],
                              double margin) {
    SetBox(object, StrictMin(box1[0], box2[0]) - margin, StrictMin(box1[1], box2[1]) - margin,
           StrictMax(box1[2], box2[2]) + margin, StrictMax(box1[3], box2[3]) + margin);
}

void CBroadPhase::SetEnabled(uint32_t object, bool enabled) {
    if (IsEnabled(object) == enabled) return;
    BroadPhaseEndpoint* e = &m_endpoints[4 * object];
    if (enabled) {
        // Inserted from the list ends with the values as stored.
        LinkBefore(&e[0], &m_sentinels[1]);
        SiftEndpointDown(&e[0], true);
        LinkAfter(&e[1], &m_sentinels[0]);
        SiftEndpointUp(&e[1], true);
        LinkBefore(&e[2], &m_sentinels[3]);
        SiftEndpointDown(&e[2], true);
        LinkAfter(&e[3], &m_sentinels[2]);
        SiftEndpointUp(&e[3], true);
        m_enabled[object >> 3] = static_cast<uint8_t>(m_enabled[object >> 3] | (1u << (object & 7)));
    } else {
        for (int k = 0; k < 4; ++k) Unlink(&e[k]);
        // Nodes of this object's pairs stay in the list; the next FirstPair drops them.
        for (uint32_t i = 0; i < object; ++i) m_counters[i * kCapacity + object] = 0;
        std::memset(&m_counters[object * kCapacity + object + 1], 0, kCapacity - object - 1);
        m_enabled[object >> 3] =
            static_cast<uint8_t>(m_enabled[object >> 3] & ~(1u << (object & 7)));
    }
}

BroadPhasePair* CBroadPhase::AllocPairNode() {
    if (!m_freeNodes) {
        NodeBlock* block = new NodeBlock;
        block->previous = m_blocks;
        m_blocks = block;
        ++m_blockCount;
        for (uint32_t i = 0; i < kNodesPerBlock; ++i) {
            block->nodes[i].next = m_freeNodes;
            m_freeNodes = &block->nodes[i];
        }
    }
    BroadPhasePair* node = m_freeNodes;
    m_freeNodes = node->next;
    return node;
}

BroadPhasePairIterator CBroadPhase::FirstPair() {
    BroadPhasePair** link = &m_pairs;
    while (BroadPhasePair* node = *link) {
        uint8_t& c = Counter(node->a, node->b);
        if (c == (kListedFlag | 4)) {
            link = &node->next;
        } else {
            *link = node->next;
            node->next = m_freeNodes;
            m_freeNodes = node;
            c = static_cast<uint8_t>(c & ~kListedFlag);
        }
    }
    return BroadPhasePairIterator{this, m_pairs};
}
