#include "Support/Support_DataStructureMap.h"

#include <array>
#include <cstring>
#include <new>

namespace {

const char kHexDigits[] = "0123456789ABCDEF";

constexpr std::array<uint32_t, 256> kCrcTable = [] {
  std::array<uint32_t, 256> t{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t c = i;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    t[i] = c;
  }
  return t;
}();

// Tables k = 1..7 advance a byte through k more zero bytes, so that the 8 bytes of a real go through
// the register in one step (slicing by 8) with the same result as one byte at a time.
constexpr std::array<std::array<uint32_t, 256>, 8> kCrcSlices = [] {
  std::array<std::array<uint32_t, 256>, 8> t{};
  t[0] = kCrcTable;
  for (int k = 1; k < 8; ++k) {
    for (uint32_t i = 0; i < 256; ++i) t[k][i] = (t[k - 1][i] >> 8) ^ kCrcTable[t[k - 1][i] & 0xFF];
  }
  return t;
}();

[[gnu::always_inline]] inline uint32_t Crc32Of8(const uint8_t* bytes) {
  uint32_t lo = 0xFFFFFFFFu ^ (uint32_t{bytes[0]} | uint32_t{bytes[1]} << 8 | uint32_t{bytes[2]} << 16 |
                               uint32_t{bytes[3]} << 24);
  return kCrcSlices[7][lo & 0xFF] ^ kCrcSlices[6][(lo >> 8) & 0xFF] ^ kCrcSlices[5][(lo >> 16) & 0xFF] ^
         kCrcSlices[4][lo >> 24] ^ kCrcSlices[3][bytes[4]] ^ kCrcSlices[2][bytes[5]] ^
         kCrcSlices[1][bytes[6]] ^ kCrcSlices[0][bytes[7]];
}

uint32_t Crc32(const uint8_t* bytes, size_t n) {
  uint32_t crc = 0xFFFFFFFFu;
  for (size_t i = 0; i < n; ++i) crc = kCrcTable[(crc ^ bytes[i]) & 0xFF] ^ (crc >> 8);
  return crc;
}

// ---- Map text ----------------------------------------------------------------------------------

void HexBytes(std::string& out, const uint8_t* bytes, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    out += kHexDigits[bytes[i] >> 4];
    out += kHexDigits[bytes[i] & 15];
  }
}

void WriteMapValue(std::string& out, const RValue& v) {
  if (v.IsString()) {
    HexBytes(out, reinterpret_cast<const uint8_t*>(v.Str()), std::strlen(v.Str()));
    return;
  }
  uint64_t bits;
  std::memcpy(&bits, &v.real, sizeof bits);
  // From the most significant byte down, stopping once the remaining low bytes are all zero.
  for (int byte = 7; byte >= 0 && (bits & ((uint64_t{1} << ((byte + 1) * 8 - 1) << 1) - 1)) != 0;
       --byte) {
    uint8_t b = static_cast<uint8_t>(bits >> (byte * 8));
    HexBytes(out, &b, 1);
  }
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Parses the hex field text[begin, end) as a string or a real; false when malformed.
bool ParseMapValue(const char* text, size_t begin, size_t end, bool isString, RValue& out) {
  size_t n = end - begin;
  if (n % 2 != 0) return false;
  if (!isString && n > 16) return false;
  std::string bytes;
  for (size_t i = begin; i < end; i += 2) {
    int hi = HexValue(text[i]);
    int lo = HexValue(text[i + 1]);
    if (hi < 0 || lo < 0) return false;
    bytes += static_cast<char>(hi * 16 + lo);
  }
  if (isString) {
    if (bytes.find('\0') != std::string::npos) return false;
    out.SetString(bytes.c_str());
  } else {
    uint64_t bits = 0;
    for (size_t i = 0; i < bytes.size(); ++i) {
      bits |= uint64_t{static_cast<uint8_t>(bytes[i])} << ((7 - i) * 8);
    }
    double real;
    std::memcpy(&real, &bits, sizeof real);
    out.SetReal(real);
  }
  return true;
}

// DS_KeyHash with the real case inline, for the lookups of this file.
[[gnu::always_inline]] inline uint32_t KeyHash(const RValue& key) {
  if (key.IsString()) return DS_KeyHash(key);
  uint8_t bytes[8];
  std::memcpy(bytes, &key.real, 8);
  return Crc32Of8(bytes);
}

// The index's hash of a key: a real's bit pattern mixed by one multiplication (cheaper than the
// CRC-32, which only places a new entry in its chain), a string's CRC-32.
[[gnu::always_inline]] inline uint32_t RealIndexHash(uint64_t bits) {
  return static_cast<uint32_t>((bits * 0x9E3779B97F4A7C15u) >> 32);
}
[[gnu::always_inline]] inline uint32_t IndexHash(const RValue& key) {
  if (key.IsString()) return DS_KeyHash(key);
  uint64_t bits;
  std::memcpy(&bits, &key.real, sizeof bits);
  return RealIndexHash(bits);
}

[[gnu::always_inline]] inline bool KeysEqual(const RValue& a, const RValue& b) {
  if (a.kind != b.kind) return false;
  if (a.IsString()) return std::strcmp(a.Str(), b.Str()) == 0;
  return std::memcmp(&a.real, &b.real, sizeof a.real) == 0;
}

}  // namespace

uint32_t DS_KeyHash(const RValue& key) {
  if (key.IsString()) {
    const char* t = key.Str();
    return Crc32(reinterpret_cast<const uint8_t*>(t), std::strlen(t));
  }
  uint8_t bytes[8];
  std::memcpy(bytes, &key.real, 8);
  return Crc32Of8(bytes);
}

// ---- Index ---------------------------------------------------------------------------------------

CDS_Map::CDS_Map() { Clear(); }

CDS_Map::~CDS_Map() { FreeNodes(); }

void CDS_Map::Clear() {
  FreeNodes();
  m_free = kNone;
  m_chains.assign(kBuckets, Chain{});
  m_index.assign(16, kEmpty);
  m_shift = 28;
  m_count = 0;
  m_duplicates = false;
}

[[gnu::always_inline]] inline size_t CDS_Map::Probe(const RValue& key, uint32_t hash) const {
  size_t mask = m_index.size() - 1;
  for (size_t i = Home(hash);; i = (i + 1) & mask) {
    Slot s = m_index[i];
    if (s == kEmpty || (SlotHolds(s, hash) && KeysEqual(NodeAt(SlotNode(s)).key, key))) return i;
  }
}

// The index grows before it is three quarters full: a smaller index stays in the processor's cache
// longer (finds among 1.5 million keys ran about a tenth faster than with the index half full), and
// runs of linear probing stay within a cache line or two at that load.
[[gnu::always_inline]] inline size_t CDS_Map::SlotFor(const RValue& key, uint32_t hash) {
  if ((static_cast<size_t>(m_count) + 1) * 4 > m_index.size() * 3) GrowIndex();
  return Probe(key, hash);
}

// A slot keeps only some bits of its key's hash: the new index takes each key's from its node.
// Without duplicate keys every node in use is indexed, and the nodes are read in their order (a
// large map's are read from memory as a stream); with duplicates only the nodes the old index
// names are.
void CDS_Map::GrowIndex() {
  std::vector<Slot> old(m_index.size() * 2, kEmpty);
  old.swap(m_index);
  const uint32_t oldMask = NodeMask();
  --m_shift;
  size_t mask = m_index.size() - 1;
  auto insert = [&](uint32_t n) {
    uint32_t hash = NodeAt(n).index;
    size_t i = Home(hash);
    while (m_index[i] != kEmpty) i = (i + 1) & mask;
    m_index[i] = MakeSlot(hash, n);
  };
  if (!m_duplicates) {
    for (uint32_t n = 0; n < m_used; ++n) {
      if (NodeAt(n).prev != kFreed) insert(n);
    }
    return;
  }
  for (Slot s : old) {
    if (s != kEmpty) insert((s & oldMask) - 1);
  }
}

void CDS_Map::Unindex(size_t hole) {
  size_t mask = m_index.size() - 1;
  for (size_t i = (hole + 1) & mask; m_index[i] != kEmpty; i = (i + 1) & mask) {
    // The slot at i may fill the hole when its home does not lie after the hole in the run.
    if (((i - Home(NodeAt(SlotNode(m_index[i])).index)) & mask) >= ((i - hole) & mask)) {
      m_index[hole] = m_index[i];
      hole = i;
    }
  }
  m_index[hole] = kEmpty;
}

// ---- Nodes ---------------------------------------------------------------------------------------

static_assert(sizeof(RValue) == 24 && alignof(RValue) <= 64);

void CDS_Map::GrowNodes() {
  constexpr uint32_t kBlock = 1u << kBlockBits;
  if (m_capacity < kBlock) {
    uint32_t capacity = m_capacity != 0 ? m_capacity * 2 : 16;
    auto* nodes = static_cast<Node*>(::operator new(size_t{capacity} * sizeof(Node), std::align_val_t{alignof(Node)}));
    if (m_used != 0) std::memcpy(static_cast<void*>(nodes), static_cast<const void*>(m_blocks[0]), size_t{m_used} * sizeof(Node));
    if (!m_blocks.empty()) ::operator delete(m_blocks[0], std::align_val_t{alignof(Node)});
    m_blocks.assign(1, nodes);
    m_capacity = capacity;
    return;
  }
  if (m_capacity > kNone - kBlock) throw std::bad_alloc();  // node kNone must stay unused
  m_blocks.push_back(static_cast<Node*>(::operator new(size_t{kBlock} * sizeof(Node), std::align_val_t{alignof(Node)})));
  m_capacity += kBlock;
}

void CDS_Map::FreeNodes() {
  for (uint32_t i = 0; i < m_used; ++i) NodeAt(i).~Node();
  for (Node* block : m_blocks) ::operator delete(block, std::align_val_t{alignof(Node)});
  m_blocks.clear();
  m_used = 0;
  m_capacity = 0;
}

template <typename K, typename V>
uint32_t CDS_Map::NewNode(uint32_t hash, uint32_t index, K&& key, V&& value) {
  uint32_t n;
  if (m_free != kNone) {
    n = m_free;
    Node& node = NodeAt(n);
    m_free = node.next;
    node.hash = hash;
    node.index = index;
    node.key = std::forward<K>(key);
    node.value = std::forward<V>(value);
  } else {
    // Built in place: no temporary node or values to move and destroy.
    if (m_used == m_capacity) GrowNodes();
    n = m_used;
    new (&NodeAt(n)) Node(hash, index, kNone, kNone, std::forward<K>(key), std::forward<V>(value));
    ++m_used;
  }
  Chain& c = m_chains[hash & (kBuckets - 1)];
  NodeAt(n).next = kNone;
  NodeAt(n).prev = c.tail;
  if (c.tail != kNone) {
    NodeAt(c.tail).next = n;
  } else {
    c.head = n;
  }
  c.tail = n;
  ++m_count;
  return n;
}

void CDS_Map::FreeNode(uint32_t n) {
  Node& node = NodeAt(n);
  Chain& c = m_chains[node.hash & (kBuckets - 1)];
  (node.prev != kNone ? NodeAt(node.prev).next : c.head) = node.next;
  (node.next != kNone ? NodeAt(node.next).prev : c.tail) = node.prev;
  node.key.Reset();
  node.value.Reset();
  node.prev = kFreed;
  node.next = m_free;
  m_free = n;
  --m_count;
}

uint32_t CDS_Map::NextCopy(uint32_t n) const {
  const Node& node = NodeAt(n);
  for (uint32_t k = node.next; k != kNone; k = NodeAt(k).next) {
    if (NodeAt(k).hash == node.hash && KeysEqual(NodeAt(k).key, node.key)) return k;
  }
  return kNone;
}

void CDS_Map::Append(uint32_t hash, RValue key, RValue value) {
  uint32_t index = IndexHash(key);
  size_t slot = SlotFor(key, index);
  bool present = m_index[slot] != kEmpty;
  uint32_t n = NewNode(hash, index, std::move(key), std::move(value));
  if (present) {
    m_duplicates = true;
  } else {
    m_index[slot] = MakeSlot(index, n);
  }
}

// ---- Entries -------------------------------------------------------------------------------------

bool CDS_Map::Add(const RValue& key, const RValue& value) {
  uint32_t index = IndexHash(key);
  size_t slot = SlotFor(key, index);
  if (m_index[slot] != kEmpty) return false;
  m_index[slot] = MakeSlot(index, NewNode(key.IsString() ? index : KeyHash(key), index, key, value));
  return true;
}

void CDS_Map::Replace(const RValue& key, const RValue& value) {
  uint32_t index = IndexHash(key);
  size_t slot = SlotFor(key, index);
  if (m_index[slot] != kEmpty) {
    NodeAt(SlotNode(m_index[slot])).value = value;
  } else {
    m_index[slot] = MakeSlot(index, NewNode(key.IsString() ? index : KeyHash(key), index, key, value));
  }
}

bool CDS_Map::Delete(const RValue& key) {
  uint32_t index = IndexHash(key);
  size_t slot = Probe(key, index);
  uint32_t n = SlotNode(m_index[slot]);
  if (n == kNone) return false;
  uint32_t copy = m_duplicates ? NextCopy(n) : kNone;
  if (copy != kNone) {
    m_index[slot] = MakeSlot(index, copy);
  } else {
    Unindex(slot);
  }
  FreeNode(n);
  return true;
}

const RValue* CDS_Map::Find(const RValue& key) const {
  if (!key.IsReal()) return FindText(key);
  // A real key: the probe compares bit patterns and calls nothing, so no registers are saved.
  uint64_t bits;
  std::memcpy(&bits, &key.real, sizeof bits);
  uint32_t hash = RealIndexHash(bits);
  size_t mask = m_index.size() - 1;
  for (size_t i = Home(hash);; i = (i + 1) & mask) {
    Slot s = m_index[i];
    if (s == kEmpty) return nullptr;
    if (SlotHolds(s, hash)) {
      const Node& node = NodeAt(SlotNode(s));
      uint64_t other;
      std::memcpy(&other, &node.key.real, sizeof other);
      if (node.key.IsReal() && other == bits) return &node.value;
    }
  }
}

const RValue* CDS_Map::FindText(const RValue& key) const {
  uint32_t n = SlotNode(m_index[Probe(key, IndexHash(key))]);
  return n != kNone ? &NodeAt(n).value : nullptr;
}

// ---- Iteration -----------------------------------------------------------------------------------

uint32_t CDS_Map::HeadAfter(int bucket) const {
  for (int b = bucket + 1; b < kBuckets; ++b) {
    if (m_chains[b].head != kNone) return m_chains[b].head;
  }
  return kNone;
}

uint32_t CDS_Map::TailBefore(int bucket) const {
  for (int b = bucket - 1; b >= 0; --b) {
    if (m_chains[b].tail != kNone) return m_chains[b].tail;
  }
  return kNone;
}

template <typename F>
void CDS_Map::Walk(F visit) const {
  if (m_count == 0) return;
  for (const Chain& c : m_chains) {
    for (uint32_t n = c.head; n != kNone; n = NodeAt(n).next) {
      if (!visit(NodeAt(n))) return;
    }
  }
}

const RValue* CDS_Map::First() const {
  uint32_t n = m_count > 0 ? HeadAfter(-1) : kNone;
  return n != kNone ? &NodeAt(n).key : nullptr;
}

const RValue* CDS_Map::Last() const {
  uint32_t n = m_count > 0 ? TailBefore(kBuckets) : kNone;
  return n != kNone ? &NodeAt(n).key : nullptr;
}

const RValue* CDS_Map::Next(const RValue& key) const {
  uint32_t n = SlotNode(m_index[Probe(key, IndexHash(key))]);
  if (n == kNone) return nullptr;
  uint32_t after = NodeAt(n).next != kNone ? NodeAt(n).next : HeadAfter(NodeAt(n).hash & (kBuckets - 1));
  return after != kNone ? &NodeAt(after).key : nullptr;
}

const RValue* CDS_Map::Previous(const RValue& key) const {
  uint32_t n = SlotNode(m_index[Probe(key, IndexHash(key))]);
  if (n == kNone) return nullptr;
  uint32_t before = NodeAt(n).prev != kNone ? NodeAt(n).prev : TailBefore(NodeAt(n).hash & (kBuckets - 1));
  return before != kNone ? &NodeAt(before).key : nullptr;
}

std::vector<std::pair<const RValue*, const RValue*>> CDS_Map::Entries() const {
  std::vector<std::pair<const RValue*, const RValue*>> out;
  out.reserve(static_cast<size_t>(m_count));
  Walk([&](const Node& n) {
    out.emplace_back(&n.key, &n.value);
    return true;
  });
  return out;
}

void CDS_Map::Assign(const CDS_Map& other) {
  if (&other == this) return;
  Clear();
  other.Walk([&](const Node& n) {
    Append(n.hash, n.key, n.value);
    return true;
  });
}

// ---- Text ----------------------------------------------------------------------------------------

std::string CDS_Map::Write() const {
  std::string out;
  Walk([&](const Node& n) {
    if (!out.empty()) out += ',';
    out += kHexDigits[(n.key.IsString() ? 1 : 0) + (n.value.IsString() ? 2 : 0)];
    out += ':';
    WriteMapValue(out, n.key);
    out += ':';
    WriteMapValue(out, n.value);
    return true;
  });
  return out;
}

bool CDS_Map::Read(const char* text) {
  if (text == nullptr) text = "";
  struct Parsed {
    RValue key;
    RValue value;
  };
  std::vector<Parsed> entries;
  size_t n = std::strlen(text);
  size_t i = 0;
  auto field = [&](bool isString, RValue& out) {
    size_t begin = i;
    while (i < n && text[i] != ':' && text[i] != ',') ++i;
    return ParseMapValue(text, begin, i, isString, out);
  };
  while (i < n) {
    int flag = HexValue(text[i]);
    if (flag < 0 || i + 1 >= n || text[i + 1] != ':') return false;
    i += 2;
    Parsed e;
    if (!field((flag & 1) != 0, e.key)) return false;
    if (i >= n || text[i] != ':') return false;
    ++i;
    if (!field((flag & 2) != 0, e.value)) return false;
    if (i < n) {
      if (text[i] != ',' || i + 1 >= n) return false;
      ++i;
    }
    entries.push_back(std::move(e));
  }
  Clear();
  for (auto& e : entries) {
    uint32_t hash = KeyHash(e.key);
    Append(hash, std::move(e.key), std::move(e.value));
  }
  return true;
}
