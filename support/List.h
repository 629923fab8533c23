#pragma once
// Doubly linked list with a sentinel and a remembered position, so that walking
// forward or backward by index costs one step. Nodes never move: a reference to an
// element stays valid for the life of the list.

#include "support/Catalogue.h"
#include "support/FatalError.h"

#include <cstdint>
#include <new>
#include <utility>

namespace tarveno {

// The failure of an index outside a list.
inline std::string listIndexMessage() {
    return message(Text::ListIndex);
}

template <class T> class List {
    struct Link {
        Link* next;
        Link* prev;
    };
    struct Node : Link {
        explicit Node(const T& e) : Link{nullptr, nullptr}, elem(e) {}
        T elem;
    };

  public:
    List() { reset(); }
    List(const List& other) : List() {
        for (Link* n = other.first(); n != other.end(); n = n->next)
            insertTail(node(n)->elem);
    }
    List& operator=(const List& other) {
        if (this != &other) {
            List copy(other);
            swap(copy);
        }
        return *this;
    }
    List(List&& other) noexcept : List() { swap(other); }
    List& operator=(List&& other) noexcept {
        if (this != &other) {
            clear();
            swap(other);
        }
        return *this;
    }
    ~List() { clear(); }

    int32_t count() const { return count_; }
    bool empty() const { return count_ == 0; }
    // Set by a search that found nothing, cleared by one that found.
    bool missed() const { return missed_; }

    // Appends a copy at the end; the remembered position is kept.
    T& insertTail(const T& elem) {
        Node* n = allocate(elem, Text::ListInsertTailMemory);
        link(n, end());
        return n->elem;
    }

    // Ordered insertion: in front of the first element that does not compare below
    // the new one (so in front of equal ones). Forgets the remembered position.
    T& insert(const T& elem) {
        Link* at = first();
        while (at != end() && node(at)->elem < elem)
            at = at->next;
        Node* n = allocate(elem, Text::ListInsertMemory);
        link(n, at);
        pos_ = end();
        posIndex_ = -1;
        return n->elem;
    }

    T& operator[](int32_t i) { return node(linkAt(i))->elem; }
    const T& operator[](int32_t i) const { return node(linkAt(i))->elem; }

    // The first element equal to key, or nullptr; sets the missed flag.
    T* find(const T& key) { return element(linkOf(key)); }
    const T* find(const T& key) const { return element(linkOf(key)); }

    // The first element equal to key; when there is none, sets the missed flag and
    // answers the key itself.
    T& search(T& key) {
        T* found = find(key);
        return found ? *found : key;
    }

    bool contains(const T& key) const { return find(key) != nullptr; }

    // Plain iteration, for callers that walk the whole list.
    template <class F> void forEach(F&& f) {
        for (Link* n = first(); n != end(); n = n->next)
            f(node(n)->elem);
    }
    template <class F> void forEach(F&& f) const {
        for (Link* n = first(); n != end(); n = n->next)
            f(static_cast<const T&>(node(n)->elem));
    }

    void clear() {
        Link* n = first();
        while (n != end()) {
            Link* next = n->next;
            delete node(n);
            n = next;
        }
        reset();
    }

    void swap(List& other) noexcept {
        // The sentinels live inside the lists, so the boundary nodes must be relinked.
        std::swap(head_, other.head_);
        std::swap(count_, other.count_);
        std::swap(posIndex_, other.posIndex_);
        std::swap(missed_, other.missed_);
        std::swap(pos_, other.pos_);
        fixSentinel();
        other.fixSentinel();
    }

  private:
    Link* end() { return &head_; }
    const Link* end() const { return &head_; }
    Link* first() const { return head_.next; }
    static Node* node(Link* l) { return static_cast<Node*>(l); }
    static T* element(Link* l) { return l ? &node(l)->elem : nullptr; }

    // The link of element i. It moves the remembered position there, even for a const
    // list: the position only makes the next access by index cheap.
    Link* linkAt(int32_t i) const {
        if (i < 0 || i >= count_) fatal(listIndexMessage());
        if (posIndex_ >= 0 && i == posIndex_ + 1) {
            pos_ = pos_->next;
        } else if (posIndex_ >= 0 && i == posIndex_ - 1) {
            pos_ = pos_->prev;
        } else if (i != posIndex_) {
            pos_ = first();
            for (int32_t k = 0; k < i; ++k)
                pos_ = pos_->next;
        }
        posIndex_ = i;
        return pos_;
    }

    // The link of the first element equal to key, or nullptr; sets the missed flag.
    Link* linkOf(const T& key) const {
        for (Link* n = first(); n != end(); n = n->next) {
            if (node(n)->elem == key) {
                missed_ = false;
                return n;
            }
        }
        missed_ = true;
        return nullptr;
    }

    void reset() {
        head_.next = end();
        head_.prev = end();
        count_ = 0;
        pos_ = end();
        posIndex_ = -1;
        missed_ = false;
    }

    void fixSentinel() {
        if (count_ == 0) {
            head_.next = end();
            head_.prev = end();
        } else {
            head_.next->prev = end();
            head_.prev->next = end();
        }
        if (posIndex_ < 0) pos_ = end();
    }

    static Node* allocate(const T& elem, Text failure) {
        Node* n = new (std::nothrow) Node(elem);
        if (!n) fatal(message(failure));
        return n;
    }

    // Links n in front of at.
    void link(Link* n, Link* at) {
        n->next = at;
        n->prev = at->prev;
        at->prev->next = n;
        at->prev = n;
        ++count_;
    }

    Link head_;
    int32_t count_ = 0;
    // What reading leaves behind: the remembered position and the last search's outcome.
    mutable Link* pos_;
    mutable int32_t posIndex_ = -1;
    mutable bool missed_ = false;
};

} // namespace tarveno
