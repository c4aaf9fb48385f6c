#include "Support/Support_DataStructureMap.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

// A key's identity: its kind and its text or bit pattern.
std::string Id(const RValue& key) {
  std::string out(1, key.IsString() ? 's' : 'r');
  if (key.IsString()) return out.append(key.Str());
  uint64_t bits;
  std::memcpy(&bits, &key.real, sizeof bits);
  return out.append(std::to_string(bits));
}

// The map as the rules describe it: entries ordered by chain (hash AND 4095), then by the time
// they were added; every key at most once.
struct Model {
  std::map<std::pair<uint32_t, long>, std::pair<std::string, double>> order;
  std::map<std::string, std::pair<uint32_t, long>> where;
  long clock = 0;
  bool Add(const RValue& key, double value) {
    if (where.count(Id(key)) != 0) return false;
    std::pair<uint32_t, long> at{DS_KeyHash(key) & 4095, clock++};
    order[at] = {Id(key), value};
    where[Id(key)] = at;
    return true;
  }
  bool Delete(const RValue& key) {
    auto it = where.find(Id(key));
    if (it == where.end()) return false;
    order.erase(it->second);
    where.erase(it);
    return true;
  }
};

std::vector<std::string> Walk(const CDS_Map& m) {
  std::vector<std::string> out;
  for (const RValue* k = m.First(); k != nullptr; k = m.Next(*k)) out.push_back(Id(*k));
  return out;
}

TEST(DataStructureMapTest, CollidingHashesAreDifferentKeys) {
  // Two strings with one CRC-32 register, and a real whose 8 bytes spell a string: same chain.
  ASSERT_EQ(DS_KeyHash(RValue("Rx6PUL")), 0xC78371C9u);
  ASSERT_EQ(DS_KeyHash(RValue("W5VASTm")), 0xC78371C9u);
  double spelled;
  std::memcpy(&spelled, "abcdefgh", 8);
  ASSERT_EQ(DS_KeyHash(RValue(spelled)), DS_KeyHash(RValue("abcdefgh")));

  CDS_Map m;
  EXPECT_TRUE(m.Add(RValue("W5VASTm"), RValue(1)));
  EXPECT_TRUE(m.Add(RValue("Rx6PUL"), RValue(2)));
  EXPECT_TRUE(m.Add(RValue("abcdefgh"), RValue(3)));
  EXPECT_TRUE(m.Add(RValue(spelled), RValue(4)));
  EXPECT_EQ(m.Size(), 4);
  EXPECT_EQ(m.Find(RValue("Rx6PUL"))->real, 2);
  EXPECT_EQ(m.Find(RValue(spelled))->real, 4);
  // Within the chain, entries keep the order they were added in.
  EXPECT_EQ(m.Next(RValue("W5VASTm"))->Str(), std::string("Rx6PUL"));
  EXPECT_EQ(m.Previous(RValue(spelled))->Str(), std::string("abcdefgh"));
  EXPECT_TRUE(m.Delete(RValue("W5VASTm")));
  EXPECT_EQ(m.Find(RValue("W5VASTm")), nullptr);
  EXPECT_EQ(m.Find(RValue("Rx6PUL"))->real, 2);
  EXPECT_EQ(m.Previous(RValue("Rx6PUL")), nullptr);  // now the head of chain 457, the first entry
  EXPECT_TRUE(m.Delete(RValue("abcdefgh")));
  EXPECT_EQ(m.Find(RValue(spelled))->real, 4);
}

TEST(DataStructureMapTest, ManyAddsAndDeletesKeepTheRulesOrder) {
  // Enough keys for chains hundreds long and an index that grows many times and wraps around.
  std::mt19937 rng(12345);
  std::vector<RValue> pool;
  for (int i = 0; i < 3000; ++i) pool.emplace_back(std::to_string(i * 7919).c_str());
  for (int i = 0; i < 3000; ++i) pool.emplace_back(i * 0.25 - 100);
  CDS_Map m;
  Model model;
  for (int step = 0; step < 40000; ++step) {
    const RValue& key = pool[rng() % pool.size()];
    if (rng() % 3 != 0) {
      ASSERT_EQ(m.Add(key, RValue(step)), model.Add(key, step)) << step;
    } else {
      ASSERT_EQ(m.Delete(key), model.Delete(key)) << step;
    }
  }
  ASSERT_EQ(m.Size(), static_cast<int>(model.where.size()));
  std::vector<std::string> expected;
  for (const auto& [at, entry] : model.order) expected.push_back(entry.first);
  EXPECT_EQ(Walk(m), expected);
  // Backwards from the last entry gives the same order reversed.
  std::vector<std::string> back;
  for (const RValue* k = m.Last(); k != nullptr; k = m.Previous(*k)) back.insert(back.begin(), Id(*k));
  EXPECT_EQ(back, expected);
  for (const RValue& key : pool) {
    auto it = model.where.find(Id(key));
    const RValue* v = m.Find(key);
    if (it == model.where.end()) {
      EXPECT_EQ(v, nullptr) << Id(key);
    } else {
      ASSERT_NE(v, nullptr) << Id(key);
      EXPECT_EQ(v->real, model.order[it->second].second) << Id(key);
    }
  }
  // Deleting every key empties the map; the chains hold nothing any more.
  for (const RValue& key : pool) m.Delete(key);
  EXPECT_EQ(m.Size(), 0);
  EXPECT_EQ(m.First(), nullptr);
  EXPECT_EQ(m.Write(), "");
}

TEST(DataStructureMapTest, TextsSurviveGrowthAndDeletingWhileWalking) {
  // Text keys and values through many doublings of the node array, then the usual walk that takes
  // the next key before deleting the current one.
  CDS_Map m;
  Model model;
  auto text = [](char prefix, int i) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%c%d", prefix, i);
    return RValue(buffer);
  };
  auto key = [&](int i) { return text('k', i); };
  for (int i = 0; i < 5000; ++i) {
    ASSERT_TRUE(m.Add(key(i), text('v', i)));
    model.Add(key(i), i);
  }
  for (int i = 0; i < 5000; i += 7) ASSERT_STREQ(m.Find(key(i))->Str(), text('v', i).Str());
  int visited = 0;
  RValue current = *m.First();
  for (bool more = true; more; ++visited) {
    const RValue* next = m.Next(current);
    more = next != nullptr;
    RValue after = more ? *next : RValue();
    if (std::atoi(current.Str() + 1) % 2 == 0) {
      ASSERT_TRUE(m.Delete(current));
      model.Delete(current);
    }
    current = std::move(after);
  }
  EXPECT_EQ(visited, 5000);
  EXPECT_EQ(m.Size(), 2500);
  // Freed nodes are taken again; new keys still go to the tails of their chains.
  for (int i = 5000; i < 5600; ++i) {
    ASSERT_TRUE(m.Add(key(i), text('w', i)));
    model.Add(key(i), i);
  }
  std::vector<std::string> expected;
  for (const auto& [at, entry] : model.order) expected.push_back(entry.first);
  EXPECT_EQ(Walk(m), expected);
  EXPECT_EQ(m.Find(key(4999))->Str(), std::string("v4999"));
  EXPECT_EQ(m.Find(key(5599))->Str(), std::string("w5599"));
  EXPECT_EQ(m.Find(key(4998)), nullptr);
  CDS_Map copy;
  copy.Assign(m);
  EXPECT_EQ(copy.Write(), m.Write());
  m.Clear();
  EXPECT_EQ(m.First(), nullptr);
  EXPECT_TRUE(m.Add(key(1), RValue(1)));
  EXPECT_EQ(Walk(m), std::vector<std::string>{"sk1"});
}

TEST(DataStructureMapTest, AReAddedKeyGoesToTheTailOfItsChain) {
  // "W5VASTm" and "Rx6PUL" share chain 457.
  CDS_Map m;
  m.Add(RValue("W5VASTm"), RValue(1));
  m.Add(RValue("Rx6PUL"), RValue(2));
  m.Delete(RValue("W5VASTm"));
  m.Add(RValue("W5VASTm"), RValue(3));
  EXPECT_EQ(m.First()->Str(), std::string("Rx6PUL"));
  EXPECT_EQ(m.Last()->Str(), std::string("W5VASTm"));
  m.Replace(RValue("Rx6PUL"), RValue(5));  // replacing keeps the entry where it is
  EXPECT_EQ(m.First()->Str(), std::string("Rx6PUL"));
  EXPECT_EQ(m.Find(RValue("Rx6PUL"))->real, 5);
}

TEST(DataStructureMapTest, ATextWithAKeyTwiceKeepsBothEntries) {
  // Reading appends without a duplicate check: "a" -> 1, then "a" -> 2.
  CDS_Map m;
  ASSERT_TRUE(m.Read("1:61:3FF0,1:61:4000"));
  EXPECT_EQ(m.Size(), 2);
  EXPECT_EQ(m.Find(RValue("a"))->real, 1);  // the first entry of the chain answers
  EXPECT_EQ(m.Next(RValue("a"))->Str(), std::string("a"));
  CDS_Map copy;
  copy.Assign(m);
  EXPECT_EQ(copy.Write(), "1:61:3FF0,1:61:40");  // 2 is 0x4000000000000000
  EXPECT_TRUE(m.Delete(RValue("a")));
  EXPECT_EQ(m.Find(RValue("a"))->real, 2);
  EXPECT_FALSE(m.Add(RValue("a"), RValue(9)));
  EXPECT_TRUE(m.Delete(RValue("a")));
  EXPECT_EQ(m.Find(RValue("a")), nullptr);
  EXPECT_FALSE(m.Delete(RValue("a")));
  EXPECT_EQ(m.Size(), 0);
  EXPECT_TRUE(copy.Delete(RValue("a")));
  EXPECT_EQ(copy.Write(), "1:61:40");
}

}  // namespace

namespace {
// The register one bit at a time, straight from its definition (polynomial 0xEDB88320, reflected,
// start 0xFFFFFFFF, no final inversion).
uint32_t BitwiseRegister(const uint8_t* bytes, size_t n) {
  uint32_t crc = 0xFFFFFFFFu;
  for (size_t i = 0; i < n; ++i) {
    crc ^= bytes[i];
    for (int b = 0; b < 8; ++b) crc = (crc & 1) ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
  }
  return crc;
}
}  // namespace

TEST(DataStructureMapTest, RealKeysHashTheirEightBytesThroughTheRegister) {
  // The standard check string: the register ends at the inverse of the well-known 0xCBF43926.
  EXPECT_EQ(DS_KeyHash(RValue("123456789")), 0x340BC6D9u);
  std::vector<double> reals = {0.0, -0.0, 1.0, -1.0, 0.5, 16807.0, 2147483646.0, 1e300, -1e-300,
                               5e-324, std::numeric_limits<double>::infinity(),
                               std::numeric_limits<double>::quiet_NaN()};
  std::mt19937_64 random(7);
  for (int i = 0; i < 2000; ++i) {
    uint64_t bits = random();
    double x;
    std::memcpy(&x, &bits, sizeof x);
    reals.push_back(x);
  }
  for (double x : reals) {
    uint8_t bytes[8];
    std::memcpy(bytes, &x, 8);
    ASSERT_EQ(DS_KeyHash(RValue(x)), BitwiseRegister(bytes, 8)) << x;
  }
}

TEST(DataStructureMapTest, RealKeysAreTheirBitPatterns) {
  // 0 and -0 are two keys; a NaN finds the entry of its own bit pattern.
  CDS_Map m;
  double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_TRUE(m.Add(RValue(0.0), RValue(1)));
  EXPECT_TRUE(m.Add(RValue(-0.0), RValue(2)));
  EXPECT_TRUE(m.Add(RValue(nan), RValue(3)));
  EXPECT_FALSE(m.Add(RValue(nan), RValue(4)));
  EXPECT_EQ(m.Find(RValue(0.0))->real, 1);
  EXPECT_EQ(m.Find(RValue(-0.0))->real, 2);
  EXPECT_EQ(m.Find(RValue(nan))->real, 3);
  EXPECT_TRUE(m.Delete(RValue(-0.0)));
  EXPECT_EQ(m.Find(RValue(-0.0)), nullptr);
  EXPECT_EQ(m.Find(RValue(0.0))->real, 1);
  EXPECT_EQ(m.Size(), 2);
}

TEST(DataStructureMapTest, FindsHoldThroughGrowthDeletesAndReusedNodes) {
  // 100,000 real keys (the Park-Miller sequence, all distinct): the index doubles fourteen times,
  // reading each key's hash back from its node; deleting shifts later keys of a run back, again by
  // their nodes' hashes; new keys then reuse the freed nodes.
  std::vector<double> keys;
  double k = 1;
  for (int i = 0; i < 150000; ++i) {
    k = std::fmod(k * 16807, 2147483647);
    keys.push_back(k);
  }
  CDS_Map m;
  for (int i = 0; i < 100000; ++i) ASSERT_TRUE(m.Add(RValue(keys[i]), RValue(i + 1)));
  for (int i = 0; i < 100000; ++i) {
    const RValue* v = m.Find(RValue(keys[i]));
    ASSERT_NE(v, nullptr) << i;
    ASSERT_EQ(v->real, i + 1) << i;
  }
  for (int i = 0; i < 100000; i += 3) ASSERT_TRUE(m.Delete(RValue(keys[i])));
  for (int i = 100000; i < 150000; ++i) ASSERT_TRUE(m.Add(RValue(keys[i]), RValue(i + 1)));
  EXPECT_EQ(m.Size(), 100000 - 33334 + 50000);
  for (int i = 0; i < 150000; ++i) {
    const RValue* v = m.Find(RValue(keys[i]));
    if (i < 100000 && i % 3 == 0) {
      ASSERT_EQ(v, nullptr) << i;
    } else {
      ASSERT_NE(v, nullptr) << i;
      ASSERT_EQ(v->real, i + 1) << i;
    }
  }
  EXPECT_EQ(m.Find(RValue(0.5)), nullptr);
}
