// Sweep-and-prune broad phase: which pairs of the game's bodies can meet this step.
//
// Every body owns one object with an axis-aligned box in the well's plane (x, y). The
// box endpoints of the enabled objects are kept sorted in one linked list per axis;
// a dense byte matrix counts, per pair, how many of the four min/max orderings show
// overlap; pairs reaching 4 whose types may interact enter a pair list, newest first.
//
// The list order and the touching history are visible in the game (the event search
// takes the first of equally early candidates), so every comparison here is strict
// and every move happens in a fixed order.
#pragma once

#include <cstdint>

// The types of the game's broad-phase objects.
enum BodyKind : uint8_t {
    BODY_CRAFT = 0,
    BODY_PROBE = 1,     // the support probe under the craft
    BODY_CARRIED = 2,
    BODY_FALLING = 3,
    BODY_DROPPED = 4,
    BODY_SETTLED = 5,
};

struct BroadPhaseEndpoint {
    double value;              // the coordinate; kept while the object is disabled
    BroadPhaseEndpoint* next;  // towards higher values
    BroadPhaseEndpoint* prev;  // towards lower values
    uint32_t owner;            // object index (0 for the sentinels)
    uint8_t kind;              // 0 min x, 1 max x, 2 min y, 3 max y
};

struct BroadPhasePair {
    BroadPhasePair* next;
    uint32_t a;  // lower object index
    uint32_t b;  // higher object index (a < b)
};

class CBroadPhase;

struct BroadPhasePairIterator {
    CBroadPhase* broadPhase;
    BroadPhasePair* node;  // null at the end of the list
};

class CBroadPhase {
public:
    static constexpr uint8_t kTypeCount = 6;
    static constexpr uint32_t kCapacity = 1130;
    static constexpr uint32_t kNodesPerBlock = 340;
    static constexpr uint8_t kListedFlag = 0x80;  // counter bit: the pair has a node

    CBroadPhase();
    ~CBroadPhase();
    CBroadPhase(const CBroadPhase&) = delete;
    CBroadPhase& operator=(const CBroadPhase&) = delete;

    void AllowTypePair(uint8_t a, uint8_t b);
    // The new object is disabled with all four endpoint values 0.0.
    uint32_t AddObject(uint8_t type, uint32_t userValue);
    void SetEnabled(uint32_t object, bool enabled);
    void SetBox(uint32_t object, double minX, double minY, double maxX, double maxY);
    // The box around the segment from `from` to `to` (x, y, z; z ignored), grown by radius.
    void SetSegmentBox(uint32_t object, const double from[3], const double to[3], double radius);
    // box = (min x, min y, max x, max y); the union of box and box moved by
    // displacement (dx, dy, dz; dz ignored), grown by margin.
    void SetSweptBox(uint32_t object, const double box[4], const double displacement[3],
                     double margin);
    void SetBoxUnion(uint32_t object, const double box1[4], const double box2[4], double margin);

    // Prunes the pair list and returns its first node. Walk on with the nodes' next
    // links; no other operation may run during a walk.
    BroadPhasePairIterator FirstPair();

    uint8_t GetType(uint32_t object) const { return m_types[object]; }
    uint32_t GetUserValue(uint32_t object) const { return m_userValues[object]; }
    void SetUserValue(uint32_t object, uint32_t userValue) { m_userValues[object] = userValue; }

    // Read access for tests and validation.
    uint32_t ObjectCount() const { return m_objectCount; }
    bool IsEnabled(uint32_t object) const {
        return (m_enabled[object >> 3] >> (object & 7)) & 1;
    }
    bool IsTypePairAllowed(uint8_t a, uint8_t b) const {
        uint32_t bit = a * kTypeCount + b;
        return (m_allowed >> bit) & 1;
    }
    // The raw counter byte of a pair (either order), listed flag included.
    uint8_t PairCounter(uint32_t i, uint32_t j) const {
        return i < j ? m_counters[i * kCapacity + j] : m_counters[j * kCapacity + i];
    }
    const BroadPhaseEndpoint& Endpoint(uint32_t object, uint8_t kind) const {
        return m_endpoints[4 * object + kind];
    }
    // The sentinels: head and tail of the x list (axis 0) or the y list (axis 1).
    const BroadPhaseEndpoint& Head(int axis) const { return m_sentinels[2 * axis]; }
    const BroadPhaseEndpoint& Tail(int axis) const { return m_sentinels[2 * axis + 1]; }
    uint32_t PoolBlockCount() const { return m_blockCount; }
    // The pair list as it stands, not pruned: for validation, which must not disturb
    // the order that pruning would give.
    const BroadPhasePair* PeekPairs() const { return m_pairs; }

private:
    struct NodeBlock {
        NodeBlock* previous;
        BroadPhasePair nodes[kNodesPerBlock];
    };

    uint8_t& Counter(uint32_t lo, uint32_t hi) { return m_counters[lo * kCapacity + hi]; }
    void MoveEndpointUp(uint32_t object, uint8_t kind, double value, bool counting);
    void MoveEndpointDown(uint32_t object, uint8_t kind, double value, bool counting);
    void SiftEndpointUp(BroadPhaseEndpoint* e, bool counting);
    void SiftEndpointDown(BroadPhaseEndpoint* e, bool counting);
    void UpdatePairCounter(const BroadPhaseEndpoint* other, const BroadPhaseEndpoint* moved,
                           bool counting);
    BroadPhasePair* AllocPairNode();

    uint32_t m_objectCount;
    uint64_t m_allowed;                   // bit a * kTypeCount + b
    BroadPhaseEndpoint m_sentinels[4];    // x head, x tail, y head, y tail
    uint8_t* m_enabled;                   // one bit per object
    uint8_t* m_types;                     // per object
    uint32_t* m_userValues;               // per object
    BroadPhaseEndpoint* m_endpoints;      // object i, kind k at 4 i + k
    uint8_t* m_counters;                  // kCapacity x kCapacity, [lo * kCapacity + hi]
    NodeBlock* m_blocks;                  // most recently allocated block first
    uint32_t m_blockCount;
    BroadPhasePair* m_freeNodes;
    BroadPhasePair* m_pairs;              // newest first
};
