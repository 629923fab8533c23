#pragma once
// The sparse keyed store: a record per key that has been used, nothing for the others.
//
// Keys fall in regions of 32 consecutive keys. A hash index (open addressing, linear
// probing, at most 70 % full) has a 16-byte slot per region in use. For small values (main
// memory's words) the slot holds a region's first two records itself, so a word written far
// from others costs a slot and nothing more; the third record of a region, or the first of
// one whose region below has a page (a memory growing upwards), brings a page of 32 values
// with a bit per key that holds a record. Larger values (the control store's records) always
// live in pages, and pages never move while a store keeps them, so a reference to such a
// record stays valid: the machine keeps pointers to them. A few pages used recently are
// tried before the index.
//
// A copy shares the pages (copy-on-write: a page is copied when a store that shares it
// writes to it) and keeps only a packed list of its slots; a packed store builds its index
// again when it is next changed or looked up. So a copy costs 16 bytes a region and the
// pages written since, which is what the machine's history keeps of each state. Page
// counts are atomic, so stores that share pages may be used in different threads; one store
// is used by one thread at a time (taking a copy of it changes it too). Listings visit the
// records in ascending key order.

#include "support/Catalogue.h"
#include "support/FatalError.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <cstring>
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

// Generations of pages across all stores: a page made after a copy was taken is newer than
// it. (32 bits: a history takes thousands of copies, not billions.)
inline std::atomic<uint32_t> storeGenerations{1};

template <class K, class V> class SparseStore {
    static_assert(std::is_unsigned_v<K> && sizeof(K) <= sizeof(uint32_t), "keys are 32-bit addresses");

  public:
    using Element = StoreEntry<K, V>;

    SparseStore() = default;
    SparseStore(const SparseStore& other) { copyFrom(other); }
    SparseStore(SparseStore&& other) noexcept { swap(other); }
    SparseStore& operator=(SparseStore other) noexcept {
        swap(other);
        return *this;
    }
    ~SparseStore() { release(); }
    void swap(SparseStore& other) noexcept {
        index_.swap(other.index_);
        packed_.swap(other.packed_);
        std::swap(mask_, other.mask_);
        std::swap(indexShift_, other.indexShift_);
        std::swap(regions_, other.regions_);
        std::swap(pages_, other.pages_);
        std::swap(count_, other.count_);
        std::swap(generation_, other.generation_);
        std::swap(takenAt_, other.takenAt_);
        std::swap(missed_, other.missed_);
        std::swap(slab_, other.slab_);
        std::swap(slabUsed_, other.slabUsed_);
        std::swap(shared_, other.shared_);
        recent_ = {};
        other.recent_ = {};
    }

    // The value of the record of key, or nullptr; sets the missed flag. Never creates a
    // record.
    const V* search(K key) {
        const V* v = find(static_cast<uint32_t>(key));
        missed_ = v == nullptr;
        return v;
    }
    // The same for a reader that must not change the store (a view): the missed flag is
    // left alone.
    const V* search(K key) const { return find(static_cast<uint32_t>(key)); }

    bool contains(K key) { return search(key) != nullptr; }

    // Adds the element and answers its value. The loader asks contains first; for a key
    // that already holds a record, the record takes the new value in place.
    V& insert(const Element& e) {
        V& v = lookup(e.first);
        v = e.second;
        return v;
    }

    // The value of key, to read or write; a missing key first gets a record with a default
    // value. For small values the reference holds until the store next changes.
    V& lookup(K key) {
        const uint32_t k = static_cast<uint32_t>(key);
        const Recent& r = recent_[(k >> pageBits) & (recentPages - 1)];
        if (r.writable == k >> pageBits) [[likely]] {
            missed_ = false;
            return claim(*r.page, k);
        }
        return lookupSlow(k);
    }
    // The value of key, made with the default value when missing: lookup for a reader, which
    // copies a shared page only when it makes a record there (and leaves the missed flag as
    // it was when the record exists).
    V read(K key) {
        const uint32_t k = static_cast<uint32_t>(key);
        const Recent& r = recent_[(k >> pageBits) & (recentPages - 1)];
        const uint32_t i = k & (pageKeys - 1);
        if (r.readable == k >> pageBits && (r.page->present >> i & 1u)) [[likely]]
            return r.page->values[i];
        return readSlow(k);
    }
    void write(K key, const V& value) { lookup(key) = value; }

    bool missed() const { return missed_; }

    // Number of records.
    int32_t count() const { return static_cast<int32_t>(count_); }

    // The bytes the store holds for its records: its index (or its packed list) and every
    // page it uses, shared ones too (not the allocator's own headers, nor this object).
    size_t bytesUsed() const {
        return index_.capacity() * sizeof(Slot) + packed_.capacity() * sizeof(Slot) + pages_ * sizeof(Page);
    }
    // What this copy holds that older, a copy taken of the same store before it, does not:
    // its list of regions and the pages made since older was taken.
    size_t bytesSince(const SparseStore& older) const {
        size_t bytes = index_.capacity() * sizeof(Slot) + packed_.capacity() * sizeof(Slot);
        forEachSlot([&](const Slot& s) {
            if (s.state == paged && s.page()->birth > older.takenAt_) bytes += sizeof(Page);
        });
        return bytes;
    }

    // Calls f(key, value) for every record, in ascending key order.
    template <class F> void forEach(F&& f) const {
        std::vector<const Slot*> sorted;
        sorted.reserve(regions_);
        forEachSlot([&](const Slot& s) { sorted.push_back(&s); });
        std::sort(sorted.begin(), sorted.end(),
                  [](const Slot* a, const Slot* b) { return a->number < b->number; });
        for (const Slot* s : sorted) {
            const uint32_t base = s->number << pageBits;
            if (s->state == paged) {
                const Page& page = *s->page();
                for (uint64_t bits = page.present; bits != 0; bits &= bits - 1) {
                    const uint32_t i = static_cast<uint32_t>(__builtin_ctzll(bits));
                    f(static_cast<K>(base | i), static_cast<const V&>(page.values[i]));
                }
                continue;
            }
            // Inline records stand in the order they came; a listing ascends.
            const uint32_t first = s->state == twoInline && s->at[1] < s->at[0] ? 1 : 0;
            for (uint32_t n = 0; n < s->state; ++n) {
                const uint32_t j = n == 0 ? first : 1 - first;
                f(static_cast<K>(base | s->at[j]), s->inlineValue(j));
            }
        }
    }

  private:
    // 32 keys: a page of main memory's words is 140 bytes, and a memory growing word by word
    // adds a page and a slot every 32 words.
    static constexpr uint32_t pageBits = 5;
    static constexpr uint32_t pageKeys = 1u << pageBits;
    static constexpr uint32_t noPage = UINT32_MAX; // no key's page number
    static constexpr uint32_t groupBits = 4;
    static constexpr size_t minSlots = 32; // two groups: the hash of a group keeps a bit
    static constexpr bool inlined = std::is_trivially_copyable_v<V> && sizeof(V) <= 4;

    struct Page {
        std::atomic<uint32_t> refs{1}; // stores that use it
        uint32_t present = 0;          // bit i: values[i] is the record of key number * 32 + i
        uint32_t birth = 0;            // the generation it was made in
        V values[pageKeys];            // untouched until claimed

        Page() = default;
        Page(const Page& o) : present(o.present), birth(o.birth) {
            if constexpr (std::is_trivially_copyable_v<V>)
                std::memcpy(static_cast<void*>(values), o.values, sizeof values);
            else
                std::copy(std::begin(o.values), std::end(o.values), values);
        }
    };
    // A slot's states: empty, one or two records inline, or a page.
    enum : uint8_t { empty = 0, oneInline = 1, twoInline = 2, paged = 3 };
    struct Slot {
        uint32_t number = 0; // the region: key >> pageBits
        uint8_t state = empty;
        uint8_t at[2] = {}; // the keys' places in the region of the inline records
        uint8_t unused = 0;
        alignas(8) unsigned char payload[8] = {}; // the page, or the inline records

        Page* page() const {
            Page* p;
            std::memcpy(&p, payload, sizeof p); // NOLINT(bugprone-sizeof-expression): the pointer itself
            return p;
        }
        void setPage(Page* p) {
            std::memcpy(payload, &p, sizeof p); // NOLINT(bugprone-sizeof-expression): the pointer itself
            state = paged;
        }
        V& inlineValue(uint32_t j) const {
            // The payload holds two trivially copyable values of at most four bytes.
            return *std::launder(reinterpret_cast<V*>(const_cast<unsigned char*>(payload) + 4 * size_t{j}));
        }
    };
    static_assert(sizeof(Slot) == 16);
    struct Recent {
        uint32_t readable = noPage; // the page number, when the page may be read here
        uint32_t writable = noPage; // the page number, when it may be written (not shared)
        Page* page = nullptr;
    };
    static constexpr size_t recentPages = 64;

    template <class F> void forEachSlot(F&& f) const {
        for (const Slot& s : index_)
            if (s.state != empty) f(s);
        for (const Slot& s : packed_)
            f(s);
    }

    // Pages are cut from slabs of 64 KB: a memory of millions of words is made, and freed,
    // a slab at a time rather than a page at a time. A slab goes when its last page has gone
    // and the store that cuts pages from it has moved on.
    struct Slab {
        std::atomic<uint32_t> live{1}; // its pages, and the store cutting from it
        Slab* before = nullptr;        // the slab the same store cut before it
    };
    static constexpr size_t slabBytes = size_t{1} << 16;
    static constexpr size_t slabHeader = (sizeof(Slab) + alignof(Page) - 1) / alignof(Page) * alignof(Page);
    static constexpr uint32_t pagesPerSlab = static_cast<uint32_t>((slabBytes - slabHeader) / sizeof(Page));
    static_assert(alignof(Page) <= slabHeader + sizeof(Page) && pagesPerSlab > 0);

    static Slab* slabOf(const Page* p) {
        // The slab starts at the page's address rounded down to a slab's size.
        const uintptr_t start = reinterpret_cast<uintptr_t>(p) & ~(uintptr_t{slabBytes} - 1);
        return reinterpret_cast<Slab*>(start); // NOLINT(performance-no-int-to-ptr)
    }
    static void release(Slab* s) {
        if (s && s->live.fetch_sub(1, std::memory_order_acq_rel) == 1) {
            s->~Slab();
            ::operator delete (s, std::align_val_t{slabBytes});
        }
    }
    // A new page, or a copy of one, made in this store's generation.
    Page* newPage(const Page* from = nullptr) {
        if (!slab_ || slabUsed_ == pagesPerSlab) {
            void* block = nullptr;
            try {
                block = ::operator new (slabBytes, std::align_val_t{slabBytes});
            } catch (const std::bad_alloc&) {
                fatal(message(Text::ListInsertMemory));
            }
            Slab* fresh = new (block) Slab;
            fresh->before = slab_;
            if (shared_) release(slab_);
            slab_ = fresh;
            slabUsed_ = 0;
        }
        void* at = reinterpret_cast<unsigned char*>(slab_) + slabHeader + size_t{slabUsed_} * sizeof(Page);
        Page* p = from ? new (at) Page(*from) : new (at) Page; // values untouched until claimed
        ++slabUsed_;
        slab_->live.fetch_add(1, std::memory_order_relaxed);
        p->birth = generation_;
        return p;
    }
    // The slabs cut so far were held for this store whole: they are held now by their pages,
    // and by the store only the one it cuts from.
    void share() const {
        if (shared_) return;
        shared_ = true;
        Slab* s = slab_ ? std::exchange(slab_->before, nullptr) : nullptr;
        while (s) {
            Slab* before = s->before;
            release(s);
            s = before;
        }
    }
    static void drop(Page* p) {
        if (p->refs.fetch_sub(1, std::memory_order_acq_rel) == 1) {
            Slab* s = slabOf(p);
            p->~Page();
            release(s);
        }
    }
    void release() {
        if (!shared_ && std::is_trivially_destructible_v<V>) {
            // No page of this store was ever shared, nor is any other store's page in its
            // slabs: they go whole, without a look at each page.
            for (Slab* s = slab_; s;) {
                Slab* before = s->before;
                s->~Slab();
                ::operator delete (s, std::align_val_t{slabBytes});
                s = before;
            }
            return;
        }
        forEachSlot([](const Slot& s) {
            if (s.state == paged) drop(s.page());
        });
        if (!shared_) {
            // Slabs still held for the store that cut them (all, while it shared nothing).
            for (Slab* s = slab_; s;) {
                Slab* before = s->before;
                release(s);
                s = before;
            }
            return;
        }
        release(slab_);
    }

    void copyFrom(const SparseStore& other) {
        // From now on the pages of both go one by one, and a slab when its last page goes.
        other.share();
        shared_ = true;
        try {
            packed_.reserve(other.regions_);
            other.forEachSlot([&](const Slot& s) {
                if (s.state == paged) s.page()->refs.fetch_add(1, std::memory_order_relaxed);
                packed_.push_back(s);
            });
        } catch (const std::bad_alloc&) {
            release();
            packed_.clear();
            slab_ = nullptr;
            fatal(message(Text::ListInsertMemory));
        }
        regions_ = other.regions_;
        pages_ = other.pages_;
        count_ = other.count_;
        missed_ = other.missed_;
        // The copy stands at this moment; both go on in generations of their own, newer than it.
        takenAt_ = storeGenerations.fetch_add(1, std::memory_order_relaxed);
        generation_ = takenAt_ + 1;
        other.generation_ = storeGenerations.fetch_add(1, std::memory_order_relaxed) + 1;
        // The other store's pages are shared now: its writes go the slow way, which copies.
        for (Recent& r : other.recent_)
            r.writable = noPage;
    }

    // The value of key in its page p (not shared); a missing record is made with the default value.
    V& claim(Page& p, uint32_t key) {
        const uint32_t i = key & (pageKeys - 1);
        if (!(p.present >> i & 1u)) {
            p.present |= 1u << i;
            p.values[i] = V{};
            ++count_;
        }
        return p.values[i];
    }

    size_t home(uint32_t number) const {
        // Sixteen neighbouring regions have neighbouring slots, so that a memory growing or
        // walked in order finds them in the same cache lines and pages of the index; the
        // groups of sixteen spread over the whole index by Fibonacci hashing, strided and
        // scattered numbers alike.
        const uint64_t group =
            (uint64_t{number >> groupBits} * 0x9E3779B97F4A7C15ull) >> (indexShift_ + groupBits);
        return static_cast<size_t>(group << groupBits | (number & ((1u << groupBits) - 1)));
    }
    // The slot of region number, or the empty slot where it belongs. The index is never
    // full.
    size_t slotOf(uint32_t number) const {
        size_t i = home(number);
        while (index_[i].state != empty && index_[i].number != number)
            i = (i + 1) & mask_;
        return i;
    }

    const V* find(uint32_t key) const {
        const uint32_t number = key >> pageBits, i = key & (pageKeys - 1);
        const Slot* s = nullptr;
        if (!index_.empty()) {
            const Slot& at = index_[slotOf(number)];
            if (at.state != empty) s = &at;
        } else {
            // A packed copy is looked through: only views of a kept state do that.
            for (const Slot& p : packed_)
                if (p.number == number) s = &p;
        }
        if (!s) return nullptr;
        if (s->state == paged) return s->page()->present >> i & 1u ? &s->page()->values[i] : nullptr;
        for (uint32_t j = 0; j < s->state; ++j)
            if (s->at[j] == i) return &s->inlineValue(j);
        return nullptr;
    }

    // The index from the packed list, when a packed store is changed or looked up.
    void unpack() {
        const size_t size = std::max(minSlots, indexSizeFor(packed_.size()));
        std::vector<Slot> fresh(size); // when this fails, the store is as it was
        index_ = std::move(fresh);
        mask_ = size - 1;
        indexShift_ = 64 - static_cast<uint32_t>(__builtin_ctzll(size));
        for (const Slot& s : packed_)
            index_[slotOf(s.number)] = s;
        std::vector<Slot>().swap(packed_);
    }
    static size_t indexSizeFor(size_t regions) {
        size_t size = minSlots;
        while (regions * 10 > size * 7)
            size *= 2;
        return size;
    }
    void resize(size_t size) {
        std::vector<Slot> old = std::exchange(index_, std::vector<Slot>(size));
        mask_ = size - 1;
        indexShift_ = 64 - static_cast<uint32_t>(__builtin_ctzll(size));
        for (const Slot& s : old)
            if (s.state != empty) index_[slotOf(s.number)] = s;
    }

    void remember(uint32_t number, Page* p) {
        Recent& r = recent_[number & (recentPages - 1)];
        r.readable = number;
        r.writable = p->refs.load(std::memory_order_acquire) == 1 ? number : noPage;
        r.page = p;
    }

    // A record that exists is read where it is, a shared page too; a missing one is made.
    [[gnu::noinline]] V readSlow(uint32_t key) {
        if (!index_.empty()) {
            const uint32_t number = key >> pageBits, i = key & (pageKeys - 1);
            // A walk through memory goes on to the next region: its slot is on the way.
            __builtin_prefetch(&index_[home(number + 1)]);
            const Slot& s = index_[slotOf(number)];
            if (s.state == paged && (s.page()->present >> i & 1u)) {
                remember(number, s.page());
                return s.page()->values[i];
            }
            for (uint32_t j = 0; s.state != paged && j < s.state; ++j)
                if (s.at[j] == i) return s.inlineValue(j);
        }
        return lookupSlow(key);
    }

    // Kept out of line so that the path of a recent page stays small enough to inline.
    [[gnu::noinline]] V& lookupSlow(uint32_t key) {
        missed_ = false;
        const uint32_t number = key >> pageBits, i = key & (pageKeys - 1);
        try {
            if (!packed_.empty()) unpack();
            if (index_.empty()) resize(minSlots);
            __builtin_prefetch(&index_[home(number + 1)], 1);
            size_t at = slotOf(number);
            if (index_[at].state == empty) {
                if ((regions_ + 1) * 10 > index_.size() * 7) {
                    resize(index_.size() * 2);
                    at = slotOf(number);
                }
                // A memory that grows upwards gets its page at once.
                const Recent& below = recent_[(number - 1) & (recentPages - 1)];
                if constexpr (inlined) {
                    if (below.readable != number - 1) {
                        Slot& s = index_[at];
                        s.number = number;
                        s.state = oneInline;
                        s.at[0] = static_cast<uint8_t>(i);
                        s.inlineValue(0) = V{};
                        ++regions_;
                        ++count_;
                        return s.inlineValue(0);
                    }
                }
                Page* p = newPage();
                index_[at].number = number;
                index_[at].setPage(p);
                ++regions_;
                ++pages_;
                remember(number, p);
                return claim(*p, key);
            }
            Slot& s = index_[at];
            if (s.state != paged) {
                for (uint32_t j = 0; j < s.state; ++j)
                    if (s.at[j] == i) return s.inlineValue(j);
                if (s.state == oneInline) {
                    s.state = twoInline;
                    s.at[1] = static_cast<uint8_t>(i);
                    s.inlineValue(1) = V{};
                    ++count_;
                    return s.inlineValue(1);
                }
                // The third record of the region: its two go into a page.
                Page* p = newPage();
                for (uint32_t j = 0; j < 2; ++j) {
                    p->present |= 1u << s.at[j];
                    p->values[s.at[j]] = s.inlineValue(j);
                }
                s.setPage(p);
                ++pages_;
                remember(number, p);
                return claim(*p, key);
            }
            Page* p = s.page();
            if (p->refs.load(std::memory_order_acquire) != 1) {
                // Shared with a copy: this store gets its own before it writes.
                Page* own = newPage(p);
                s.setPage(own);
                drop(p);
                p = own;
            }
            remember(number, p);
            return claim(*p, key);
        } catch (const std::bad_alloc&) {
            fatal(message(Text::ListInsertMemory));
        }
    }

    std::vector<Slot> index_;  // a store in use: the hash index
    std::vector<Slot> packed_; // a copy not used yet: its slots, in no order
    size_t mask_ = 0;          // index_.size() - 1, the index size being a power of two
    uint32_t indexShift_ = 64; // 64 - log2 of the index size
    size_t regions_ = 0;       // slots in use
    size_t pages_ = 0;         // of them with a page
    size_t count_ = 0;
    // Pages made here are born in generation_; a copy was taken at takenAt_.
    mutable uint32_t generation_ = storeGenerations.fetch_add(1, std::memory_order_relaxed);
    uint32_t takenAt_ = 0;
    // Pages used recently, by page number modulo recentPages: the stack, the code and the
    // variables of a program each keep their page here.
    mutable std::array<Recent, recentPages> recent_{};
    // The slab new pages are cut from; while the store is not shared, the slabs before it hang
    // from it (Slab::before) and are held for it.
    mutable Slab* slab_ = nullptr;
    uint32_t slabUsed_ = 0;       // pages cut from it
    mutable bool shared_ = false; // a copy was taken from it, or it is one
    bool missed_ = false;
};

} // namespace tarveno
