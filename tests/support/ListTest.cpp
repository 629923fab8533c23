#include "support/List.h"
#include "common/RunProgram.h"

#include <gtest/gtest.h>

using namespace tarveno;

namespace {

struct Item {
    int key;
    int tag;
    bool operator<(const Item& o) const { return key < o.key; }
    bool operator==(const Item& o) const { return key == o.key; }
};

std::vector<int> tags(List<Item>& l) {
    std::vector<int> out;
    for (int i = 0; i < l.count(); ++i)
        out.push_back(l[i].tag);
    return out;
}

} // namespace

// Indexing walks from the position of the last access: forward, backward, jumps, and after
// an append; outside the list it is fatal.
TEST(List, IndexedWalksInAnyOrderAndFailsOutside) {
    List<int> l;
    EXPECT_EQ(testutil::fatalOf([&] { l[0]; }).first,
              "Errore nel metodo List<T>::operator[](T): indice fuori limite");
    for (int i = 0; i < 6; ++i)
        l.insertTail(i * 10);
    for (int i : {0, 1, 2, 3, 4, 5, 5, 4, 3, 2, 1, 0, 3})
        EXPECT_EQ(l[i], i * 10) << i;
    // A const view walks from, and moves, the same position.
    const List<int>& view = l;
    for (int i : {4, 5, 0, 1})
        EXPECT_EQ(view[i], i * 10) << i;
    EXPECT_EQ(l[2], 20);
    EXPECT_EQ(view.find(35), nullptr);
    EXPECT_TRUE(view.missed());
    EXPECT_EQ(*view.find(30), 30);
    l.insertTail(60);
    EXPECT_EQ(l[4], 40);
    EXPECT_EQ(l[6], 60);
    for (int outside : {-1, 7})
        EXPECT_THROW(l[outside], FatalError) << outside;
}

// An ordered insert goes in front of equals; a search finds the first equal, or answers
// the key and sets the missed flag.
TEST(List, OrderedInsertAndSearch) {
    List<Item> l;
    for (Item i : {Item{5, 1}, Item{3, 2}, Item{5, 3}, Item{4, 4}})
        l.insert(i);
    EXPECT_EQ(tags(l), (std::vector<int>{2, 4, 3, 1}));
    Item key{5, 0};
    EXPECT_EQ(l.search(key).tag, 3);
    EXPECT_FALSE(l.missed());
    Item absent{9, 99};
    EXPECT_EQ(&l.search(absent), &absent);
    EXPECT_TRUE(l.missed());
    EXPECT_TRUE(l.contains({3, 0}));
    EXPECT_FALSE(l.missed());
}

TEST(List, CopiesAndMovesAreIndependent) {
    List<std::string> a;
    a.insertTail("x");
    a.insertTail("y");
    List<std::string> b(a);
    b.insertTail("z");
    EXPECT_EQ(a.count(), 2);
    List<std::string> c(std::move(b));
    EXPECT_EQ(std::tuple(c.count(), c[2], b.count()), std::tuple(3, "z", 0));
    b = c;
    c = List<std::string>();
    c.insertTail("w");
    EXPECT_EQ(std::tuple(b[1], c.count(), c[0]), std::tuple("y", 1, "w"));
}
