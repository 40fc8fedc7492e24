#pragma once

#include "core/VarList.h"

// A node holding one item and its child trees (a folder listing: the folder and its entries).
template <typename T> class CTree {
public:
    T item{};
    CVarList<CTree<T>> children;

    size_t GetCount() const { return children.GetCount(); }
    CTree<T>& operator[](size_t index) { return children[index]; }
    const CTree<T>& operator[](size_t index) const { return children[index]; }
    CTree<T>& AddChild(const T& child) {
        CTree<T> node;
        node.item = child;
        children.Add(node);
        return children[children.GetCount() - 1];
    }
    void Clear() {
        item = T{};
        children.RemoveAll();
    }
};
