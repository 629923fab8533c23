#pragma once
// The sparse keyed store: 20 buckets by key modulo 20, ascending keys in each.
// Records never move or disappear once made, so a small direct-mapped cache of
// pointers sits in front of the buckets; it keeps every answer of the buckets (a
// lookup of a missing key still adds the record first).

#include "support/List.h"

#include <array>
#include <cstdint>
#include <memory>

namespace tarveno {

template <class K, class V> struct Elem {
    K first{};
    V second{};

    bool operator<(const Elem& o) const { return first < o.first; }
    bool operator==(const Elem& o) const { return first == o.first; }
};

template <class L, class E, int Buckets> class HashTable {
  public:
    L& bucket(uint32_t key) { return buckets_[key % Buckets]; }
    const L& bucket(uint32_t key) const { return buckets_[key % Buckets]; }
    L& at(int i) { return buckets_[static_cast<size_t>(i)]; }
    const L& at(int i) const { return buckets_[static_cast<size_t>(i)]; }
    static constexpr int size() { return Buckets; }

  private:
    std::array<L, Buckets> buckets_;
};

template <class K, class V> class Memory {
  public:
    using Element = Elem<K, V>;

    Memory() = default;
    // A copy holds its own records; the cache is not copied (it points into the original).
    Memory(const Memory& other) : table_(other.table_), missed_(other.missed_) {}
    Memory& operator=(const Memory& other) {
        if (this != &other) {
            table_ = other.table_;
            missed_ = other.missed_;
            cache_.reset();
        }
        return *this;
    }

    // The element with key, or nullptr; sets the missed flag. Never creates a record.
    Element* search(K key) {
        auto& b = table_.bucket(static_cast<uint32_t>(key));
        Element* e = b.find(Element{key, V{}});
        missed_ = b.missed();
        return e;
    }
    const Element* search(K key) const { return const_cast<Memory&>(*this).search(key); }

    bool contains(K key) { return search(key) != nullptr; }

    // Places the element in key order within its bucket (in front of equal keys).
    Element& insert(const Element& e) { return table_.bucket(static_cast<uint32_t>(e.first)).insert(e); }

    // The value of key; a missing key first gets a record with a default value.
    V& lookup(K key) {
        if (cache_) {
            Slot& s = (*cache_)[static_cast<uint32_t>(key) & cacheMask];
            if (s.value && s.key == key) {
                missed_ = false;
                return *s.value;
            }
        }
        return lookupSlow(key);
    }

    bool missed() const { return missed_; }

    // Number of records, over all buckets.
    int32_t count() const {
        int32_t n = 0;
        for (int i = 0; i < Table::size(); ++i)
            n += table_.at(i).count();
        return n;
    }

    // Visits every record, bucket by bucket in ascending key order within a bucket.
    template <class F> void forEach(F&& f) const {
        for (int i = 0; i < Table::size(); ++i)
            table_.at(i).forEach(f);
    }

  private:
    // Kept out of line so that the cached path stays small enough to inline.
    [[gnu::noinline]] V& lookupSlow(K key) {
        if (!cache_) cache_ = std::make_unique<Cache>();
        Element* e = search(key);
        if (!e) {
            insert(Element{key, V{}});
            e = search(key);
        }
        Slot& s = (*cache_)[static_cast<uint32_t>(key) & cacheMask];
        s.key = key;
        s.value = &e->second;
        return e->second;
    }

    using Table = HashTable<List<Element>, Element, 20>;
    static constexpr uint32_t cacheBits = 12;
    static constexpr uint32_t cacheMask = (1u << cacheBits) - 1;
    struct Slot {
        K key{};
        V* value = nullptr;
    };
    using Cache = std::array<Slot, 1u << cacheBits>;

    Table table_;
    bool missed_ = false;
    std::unique_ptr<Cache> cache_;
};

} // namespace tarveno
