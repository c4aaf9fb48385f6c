// The map of the ds_map_ functions.
//
// Entries sit in 4096 chains (chain = key hash AND 4095, new entries at the tail); that order is
// what game code sees when it walks the map and what the map's text holds. Beside the chains an
// open-addressing index leads from a key to its entry, so finding a key costs the same however
// long its chain is.
#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "Variable/Variable_Value.h"

// The reflected CRC-32 register (0xEDB88320, start 0xFFFFFFFF, no final inversion) of a key: the
// bytes of a string's text, or the 8 bytes of a real's IEEE pattern, little-endian.
uint32_t DS_KeyHash(const RValue& key);

class CDS_Map {
 public:
  static constexpr int kBuckets = 4096;

  CDS_Map();
  ~CDS_Map();
  CDS_Map(const CDS_Map&) = delete;
  CDS_Map& operator=(const CDS_Map&) = delete;
  int Size() const { return m_count; }
  void Clear();
  // Adds when the key is absent; false when it exists.
  bool Add(const RValue& key, const RValue& value);
  // Sets the value of the key, adding the entry when absent.
  void Replace(const RValue& key, const RValue& value);
  bool Delete(const RValue& key);
  const RValue* Find(const RValue& key) const;
  // Keys in iteration order (chain 0 to 4095, each from head to tail); null when none.
  const RValue* First() const;
  const RValue* Last() const;
  const RValue* Next(const RValue& key) const;
  const RValue* Previous(const RValue& key) const;
  // Every entry's key and value, in iteration order (valid until the map changes).
  std::vector<std::pair<const RValue*, const RValue*>> Entries() const;
  void Assign(const CDS_Map& other);
  std::string Write() const;
  bool Read(const char* text);

 private:
  static constexpr uint32_t kNone = 0xFFFFFFFFu;
  static constexpr uint32_t kFreed = 0xFFFFFFFEu;  // the prev of a node on the free list
  // One cache line: the links, the hashes, the key and the value of an entry.
  struct alignas(64) Node {
    template <class K, class V>
    Node(uint32_t h, uint32_t i, uint32_t n, uint32_t p, K&& k, V&& v)
        : hash(h), next(n), prev(p), index(i), key(std::forward<K>(k)), value(std::forward<V>(v)) {}
    uint32_t hash;  // the chain's hash (the key's CRC-32)
    uint32_t next;  // the next node of the chain (of the free list once deleted)
    uint32_t prev;   // kFreed on the free list
    uint32_t index;  // the key's index hash
    RValue key;
    RValue value;
  };
  static_assert(sizeof(Node) == 64);
  struct Chain {
    uint32_t head = kNone;
    uint32_t tail = kNone;
  };
  // An index slot is 4 bytes: the key's first node in iteration order plus one in its low log2(index
  // size) bits (0: empty), the low bits of the key's index hash (not the chain's CRC-32 for a real
  // key) above them, which settle almost every mismatch without a look at the node. The index has
  // more slots than there are nodes, so a node's number always fits.
  using Slot = uint32_t;
  static constexpr Slot kEmpty = 0;
  uint32_t NodeMask() const { return (1u << (32 - m_shift)) - 1; }
  Slot MakeSlot(uint32_t hash, uint32_t node) const { return (hash << (32 - m_shift)) | (node + 1); }
  uint32_t SlotNode(Slot s) const { return (s & NodeMask()) - 1; }  // kNone when empty
  bool SlotHolds(Slot s, uint32_t hash) const { return (s & ~NodeMask()) == (hash << (32 - m_shift)); }

  size_t Home(uint32_t hash) const { return static_cast<uint32_t>(hash * 0x9E3779B1u) >> m_shift; }
  // The slot holding `key` (of index hash `hash`), or the empty slot where it would go.
  size_t Probe(const RValue& key, uint32_t hash) const;
  // Find for a string key (out of line: its text compare calls out).
  [[gnu::noinline]] const RValue* FindText(const RValue& key) const;
  // Makes the index ready for one more key, then probes for `key`.
  size_t SlotFor(const RValue& key, uint32_t hash);
  void GrowIndex();
  // Empties a slot, moving later slots of its probe run back so that every key stays reachable.
  void Unindex(size_t slot);
  // A new node at the tail of its chain (key and value copied or moved in).
  template <typename K, typename V>
  uint32_t NewNode(uint32_t hash, uint32_t index, K&& key, V&& value);
  // Adds the next block of nodes (as many as there are).
  void GrowNodes();
  // Destroys every node and frees the blocks.
  void FreeNodes();
  void FreeNode(uint32_t node);
  // The next node after `node` in its chain with the same key; kNone when none.
  uint32_t NextCopy(uint32_t node) const;
  // Appends without a duplicate check (reading a text, copying): a key already present stays
  // found at its first entry.
  void Append(uint32_t hash, RValue key, RValue value);
  // The head (tail) of the first non-empty chain after (before) `bucket`; kNone when none.
  uint32_t HeadAfter(int bucket) const;
  uint32_t TailBefore(int bucket) const;
  // Visits nodes in iteration order until `visit` returns false.
  template <typename F>
  void Walk(F visit) const;

  // Node n lives in block n / 4096 at n % 4096. Block 0 grows by doubling up to 4096 nodes (its
  // nodes' bytes moved); after that growing adds a block and nodes never move.
  static constexpr int kBlockBits = 12;
  Node& NodeAt(uint32_t n) { return m_blocks[n >> kBlockBits][n & ((1u << kBlockBits) - 1)]; }
  const Node& NodeAt(uint32_t n) const { return m_blocks[n >> kBlockBits][n & ((1u << kBlockBits) - 1)]; }

  std::vector<Node*> m_blocks;  // m_used nodes made, room for m_capacity; freed ones linked from m_free
  uint32_t m_used = 0;
  uint32_t m_capacity = 0;
  uint32_t m_free = kNone;
  std::vector<Chain> m_chains;
  std::vector<Slot> m_index;  // a power of two in size, at most three quarters full, of nodes too
  int m_shift = 0;            // 32 - log2(index size)
  int m_count = 0;
  // True once a read text or a copy held a key twice: deleting it must then find the next copy.
  bool m_duplicates = false;
};
