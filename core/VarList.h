#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

// Growable array of values or pointers. With a growth step set, the capacity grows by whole
// steps (at least doubling), so a list refilled after RemoveAll keeps its memory and does not allocate again.
template <typename T> class CVarList {
public:
    explicit CVarList(size_t growth = 16) : m_growth(growth) {}

    void SetGrowth(size_t growth) { m_growth = growth; }
    size_t GetCount() const { return m_items.size(); }
    size_t GetCapacity() const { return m_items.capacity(); }
    bool IsEmpty() const { return m_items.empty(); }

    T& operator[](size_t index) { return m_items[index]; }
    const T& operator[](size_t index) const { return m_items[index]; }
    T* GetData() { return m_items.data(); }
    const T* GetData() const { return m_items.data(); }

    void Add(const T& item) {
        Grow(m_items.size() + 1);
        m_items.push_back(item);
    }
    void InsertAt(size_t index, const T& item) {
        Grow(m_items.size() + 1);
        m_items.insert(m_items.begin() + static_cast<std::ptrdiff_t>(index), item);
    }
    void RemoveAt(size_t index) { m_items.erase(m_items.begin() + static_cast<std::ptrdiff_t>(index)); }
    // Keeps the capacity.
    void RemoveAll() { m_items.clear(); }
    void SetCount(size_t count) {
        Grow(count);
        m_items.resize(count);
    }

    auto begin() { return m_items.begin(); }
    auto end() { return m_items.end(); }
    auto begin() const { return m_items.begin(); }
    auto end() const { return m_items.end(); }

private:
    void Grow(size_t needed) {
        if (needed <= m_items.capacity())
            return;
        size_t capacity = needed;
        if (m_growth != 0) {
            // Whole steps, at least doubling, so long lists fill in amortised constant time.
            capacity = std::max(needed, m_items.capacity() * 2);
            capacity = (capacity + m_growth - 1) / m_growth * m_growth;
        }
        m_items.reserve(capacity);
    }

    std::vector<T> m_items;
    size_t m_growth;
};
