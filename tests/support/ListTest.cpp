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

// The tags in index order.
std::vector<int> tags(List<Item>& l) {
    std::vector<int> out;
    for (int i = 0; i < l.count(); ++i)
        out.push_back(l[i].tag);
    return out;
}

} // namespace

TEST(List, NewListIsEmptyAndIndexingItIsFatal) {
    List<int> l;
    EXPECT_EQ(l.count(), 0);
    // Outside an empty list, then outside a list of one.
    for (int outside : {0, -1, 1}) {
        if (outside == -1) l.insertTail(7);
        EXPECT_EQ(testutil::fatalOf([&] { l[outside]; }).first,
                  "Errore nel metodo List<T>::operator[](T): indice fuori limite");
    }
}

// Indexing walks from the position of the last access: forward, backward, jumps, and
// after an append or an ordered insert (which forgets the position).
TEST(List, IndexedWalksInAnyOrder) {
    List<int> l;
    for (int i = 0; i < 6; ++i)
        l.insertTail(i * 10);
    for (int i : {0, 1, 2, 3, 4, 5, 5, 4, 3, 2, 1, 0, 3})
        EXPECT_EQ(l[i], i * 10) << i;
    l.insertTail(60);
    EXPECT_EQ(l[4], 40);
    EXPECT_EQ(l[6], 60);
}

TEST(List, OrderedInsertGoesInFrontOfEquals) {
    List<Item> l;
    l.insert({5, 1});
    l.insert({3, 2});
    l.insert({5, 3});
    EXPECT_EQ(tags(l), (std::vector<int>{2, 3, 1}));
    l.insert({4, 4});
    EXPECT_EQ(tags(l), (std::vector<int>{2, 4, 3, 1}));
}

TEST(List, SearchFindsFirstEqualAndSetsMissedFlag) {
    List<Item> l;
    l.insertTail({1, 10});
    l.insertTail({2, 20});
    l.insertTail({2, 30});
    Item key{2, 0};
    EXPECT_EQ(l.search(key).tag, 20);
    EXPECT_FALSE(l.missed());
    Item absent{9, 99};
    Item& got = l.search(absent);
    EXPECT_EQ(&got, &absent);
    EXPECT_TRUE(l.missed());
    EXPECT_TRUE(l.contains({1, 0}));
    EXPECT_FALSE(l.missed());
}

TEST(List, CopiesAndMovesAreIndependent) {
    List<std::string> a;
    a.insertTail("x");
    a.insertTail("y");
    List<std::string> b(a);
    b.insertTail("z");
    EXPECT_EQ(a.count(), 2);
    EXPECT_EQ(b[2], "z");
    List<std::string> c(std::move(b));
    EXPECT_EQ(c.count(), 3);
    EXPECT_EQ(b.count(), 0);
    b = c;
    EXPECT_EQ(b[1], "y");
    c = List<std::string>();
    EXPECT_EQ(c.count(), 0);
    c.insertTail("w");
    EXPECT_EQ(c[0], "w");
}
