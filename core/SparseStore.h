#pragma once
// The sparse keyed store: a record per key that has been used, nothing for the others.
//
// Values sit in pages of 32 consecutive keys with a bit per key that holds a record;
// a hash index (open addressing, linear probing, at most half full) finds the page of a
// key. Every operation costs the same at any number of records, neighbouring keys (a
// stack, an array, the control store) share pages, and a few pages used recently are tried
// first. A page holds its number, the bits and the values (the key is where the value
// sits), so a memory that grows word by word touches few more bytes than a flat array
// would, and one walked up in the order it was made finds its next page without the
// index. Pages never move or go away while the store lives, so a reference to a value
// stays valid: the machine keeps pointers to records. Listings visit the records in
// ascending key order. The page size weighs a growing memory, where fewer pages mean
// fewer index entries, against scattered keys, each of which costs a whole page (see
// pageBits).

#include "support/FatalError.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

namespace tarveno {

template <class K, class V> struct StoreEntry {
    K first{};
    V second{};

    bool operator<(const StoreEntry& o) const { return first < o.first; }
    bool operator==(const StoreEntry& o) const { return first == o.first; }
};

template <class K, class V> class SparseStore {
    static_assert(std::is_unsigned_v<K> && sizeof(K) <= sizeof(uint32_t), "keys are 32-bit addresses");

  public:
    using Element = StoreEntry<K, V>;

    SparseStore() = default;
    // A copy holds its own records. Block by block as they are, so that every page keeps
    // its place (a walk up finds its next page as before) and only the index's pointers
    // change: a state that a history keeps costs a copy of bytes, not a record at a time.
    SparseStore(const SparseStore& other)
        : blockPages_(other.blockPages_), usedInBlock_(other.usedInBlock_), pageCount_(other.pageCount_),
          pageBytes_(other.pageBytes_), mask_(other.mask_), indexShift_(other.indexShift_),
          count_(other.count_), missed_(other.missed_) {
        try {
            index_ = other.index_;
            blocks_.reserve(other.blocks_.size());
            for (size_t b = 0; b < other.blocks_.size(); ++b) {
                const size_t pages = blockSize(b) + 1;
                Page* block = blocks_.emplace_back(std::make_unique<Page[]>(pages)).get();
                std::copy_n(other.blocks_[b].get(), pages, block);
                for (size_t i = 0; i < pages; ++i)
                    if (block[i].number != noPage) index_[slotOf(block[i].number)].page = &block[i];
            }
        } catch (const std::bad_alloc&) {
            fatal("Errore nel metodo List<T>::insert(): Memoria esaurita");
        }
    }
    SparseStore(SparseStore&& other) noexcept { swap(other); }
    SparseStore& operator=(SparseStore other) noexcept {
        swap(other);
        return *this;
    }
    void swap(SparseStore& other) noexcept {
        // The pages themselves stay where they are, so the recent pages stay valid.
        blocks_.swap(other.blocks_);
        std::swap(blockPages_, other.blockPages_);
        std::swap(usedInBlock_, other.usedInBlock_);
        std::swap(pageCount_, other.pageCount_);
        std::swap(pageBytes_, other.pageBytes_);
        index_.swap(other.index_);
        std::swap(mask_, other.mask_);
        std::swap(indexShift_, other.indexShift_);
        std::swap(count_, other.count_);
        std::swap(recent_, other.recent_);
        std::swap(missed_, other.missed_);
    }

    // The value of the record of key, or nullptr; sets the missed flag. Never creates a
    // record.
    V* search(K key) {
        V* v = find(key);
        missed_ = v == nullptr;
        return v;
    }
    // The same for a reader that must not change the store (a view): the missed flag is
    // left alone.
    const V* search(K key) const { return find(key); }

    bool contains(K key) { return search(key) != nullptr; }

    // Adds the element and answers its value. The loader asks contains first; for a key
    // that already holds a record, the record takes the new value in place (references
    // to it stay valid).
    V& insert(const Element& e) {
        Page& p = pageOf(static_cast<uint32_t>(e.first));
        V& v = claim(p, e.first);
        v = e.second;
        return v;
    }

    // The value of key; a missing key first gets a record with a default value.
    V& lookup(K key) {
        const uint32_t k = static_cast<uint32_t>(key);
        const Recent& r = recent_[(k >> pageBits) & (recentPages - 1)];
        if (r.number != k >> pageBits) return lookupSlow(key);
        missed_ = false;
        return claim(*r.page, key);
    }

    // The value of key, made with the default value when missing; and writing it.
    V read(K key) { return lookup(key); }
    void write(K key, V value) { lookup(key) = value; }

    bool missed() const { return missed_; }

    // Number of records.
    int32_t count() const { return static_cast<int32_t>(count_); }

    // The bytes the store has allocated for its records: every block of pages, the index
    // and the list of blocks (not the allocator's own headers, nor this object).
    size_t bytesUsed() const {
        return pageBytes_ + index_.capacity() * sizeof(Slot) + blocks_.capacity() * sizeof(blocks_[0]);
    }

    // Calls f(key, value) for every record, in ascending key order.
    template <class F> void forEach(F&& f) const {
        std::vector<Slot> sorted;
        sorted.reserve(pageCount_);
        for (const Slot& s : index_)
            if (s.page) sorted.push_back(s);
        std::sort(sorted.begin(), sorted.end(),
                  [](const Slot& a, const Slot& b) { return a.number < b.number; });
        for (const Slot& s : sorted) {
            const Page& page = *s.page;
            for (uint64_t bits = page.present; bits != 0; bits &= bits - 1) {
                const uint32_t i = static_cast<uint32_t>(__builtin_ctzll(bits));
                f(static_cast<K>(s.number << pageBits | i), static_cast<const V&>(page.values[i]));
            }
        }
    }

  private:
    // 32 keys: against pages of 64, a word written far from others costs 169 bytes instead
    // of 296, and dense use runs as fast within the noise; pages of 16 (104 bytes) made
    // every sixteenth word of a growing memory a new page and slowed it by a sixth.
    static constexpr uint32_t pageBits = 5;
    static constexpr uint32_t pageKeys = 1u << pageBits;
    using Bits = uint32_t;
    static constexpr uint32_t noPage = UINT32_MAX; // no key's page number
    static constexpr size_t minSlots = 16;
    static constexpr uint32_t maxBlockBits = 8; // blocks of at most 256 pages

    struct Page {
        uint32_t number = noPage; // key >> pageBits of its keys; noPage while unused
        Bits present = 0;         // bit i: values[i] is the record of key number * 32 + i
        V values[pageKeys]{};     // untouched (default values) until claimed
    };
    struct Recent {
        uint32_t number = noPage;
        Page* page = nullptr;
    };
    static constexpr size_t recentPages = 64;
    struct Slot {
        uint32_t number = 0; // the page number: key >> pageBits
        Page* page = nullptr;
    };

    // The value of key in its page p; a missing record is made, with the default value
    // that the untouched place already holds.
    V& claim(Page& p, K key) {
        const uint32_t i = static_cast<uint32_t>(key) & (pageKeys - 1);
        if (!(p.present >> i & 1u)) {
            p.present |= static_cast<Bits>(Bits{1} << i);
            ++count_;
        }
        return p.values[i];
    }

    size_t home(uint32_t number) const {
        // Fibonacci hashing: neighbouring and strided page numbers alike spread over the
        // whole index, so no long runs of occupied slots form.
        return static_cast<size_t>((uint64_t{number} * 0x9E3779B97F4A7C15ull) >> indexShift_);
    }
    // The slot of page number, or the empty slot where it belongs. The index is never
    // empty here.
    size_t slotOf(uint32_t number) const {
        size_t i = home(number);
        while (index_[i].page && index_[i].number != number)
            i = (i + 1) & mask_;
        return i;
    }
    Page* findPage(uint32_t number) const { return index_.empty() ? nullptr : index_[slotOf(number)].page; }

    V* find(K key) const {
        const uint32_t k = static_cast<uint32_t>(key);
        Page* p = findPage(k >> pageBits);
        const uint32_t i = k & (pageKeys - 1);
        return p && (p->present >> i & 1u) ? &p->values[i] : nullptr;
    }

    // The page of key, made when missing; it becomes a recent page.
    Page& pageOf(uint32_t key) {
        const uint32_t number = key >> pageBits;
        Page* p = nullptr;
        // Walking up through a memory made in that order, the next page is the one after
        // the last in its block (each block ends in an unused page), found without the index.
        const Recent& below = recent_[(number - 1) & (recentPages - 1)];
        if (below.page && below.number == number - 1 && below.page[1].number == number) {
            p = below.page + 1;
        } else {
            size_t slot = index_.empty() ? 0 : slotOf(number);
            if (!index_.empty() && index_[slot].page) {
                p = index_[slot].page;
            } else {
                try {
                    if ((pageCount_ + 1) * 2 > index_.size()) {
                        grow();
                        slot = slotOf(number);
                    }
                    p = newPage();
                } catch (const std::bad_alloc&) {
                    fatal("Errore nel metodo List<T>::insert(): Memoria esaurita");
                }
                p->number = number;
                index_[slot] = Slot{number, p};
                // A memory that grows upwards makes the next page soon: its slot is on the way.
                __builtin_prefetch(&index_[home(number + 1)], 1);
            }
        }
        recent_[number & (recentPages - 1)] = Recent{number, p};
        return *p;
    }

    // Pages come in blocks, each twice the size of the one before up to the largest: a
    // small store stays small, a large one costs one allocation per many pages. Each block
    // has one page more that is never used.
    static size_t blockSize(size_t block) { return size_t{1} << std::min<size_t>(block, maxBlockBits); }
    Page* newPage() {
        if (blocks_.empty() || usedInBlock_ == blockPages_) {
            const size_t pages = blockSize(blocks_.size());
            blocks_.push_back(std::make_unique<Page[]>(pages + 1));
            pageBytes_ += (pages + 1) * sizeof(Page);
            blockPages_ = pages;
            usedInBlock_ = 0;
        }
        ++pageCount_;
        return &blocks_.back()[usedInBlock_++];
    }

    void grow() {
        std::vector<Slot> old =
            std::exchange(index_, std::vector<Slot>(std::max(minSlots, index_.size() * 2)));
        mask_ = index_.size() - 1;
        indexShift_ = 64 - static_cast<uint32_t>(__builtin_ctzll(index_.size()));
        for (const Slot& s : old)
            if (s.page) index_[slotOf(s.number)] = s;
    }

    // Kept out of line so that the path of a recent page stays small enough to inline.
    [[gnu::noinline]] V& lookupSlow(K key) {
        Page& p = pageOf(static_cast<uint32_t>(key));
        missed_ = false;
        return claim(p, key);
    }

    std::vector<std::unique_ptr<Page[]>> blocks_;
    size_t blockPages_ = 0;  // pages of the last block
    size_t usedInBlock_ = 0; // of them in use
    size_t pageCount_ = 0;
    size_t pageBytes_ = 0; // of all blocks
    std::vector<Slot> index_;
    size_t mask_ = 0;          // index_.size() - 1, the index size being a power of two
    uint32_t indexShift_ = 64; // 64 - log2 of the index size
    size_t count_ = 0;
    // Pages used recently, by page number modulo recentPages: the stack, the code and the
    // variables of a program each keep their page here.
    std::array<Recent, recentPages> recent_{};
    bool missed_ = false;
};

} // namespace tarveno
