// The world's entities by handle: found in constant time, visited in
// ascending handle order.
//
// Every operation looks entities up by handle, so lookup is a plain index
// into a table by handle value. The world's own loops (motion, clean-up,
// searches) visit entities in handle order, which is part of a run's
// determinism, so the live entities are also kept in a vector sorted by
// handle. An entity keeps its address while others are made and removed,
// as it did in the ordered map this replaces: operations hold an Entity&
// across the creation of another.
//
// The interface is the part of std::map<int32_t, Entity> the simulator and
// its tests use (at, find, count, erase, operator[], iteration over
// (handle, entity) pairs), plus `Find`, the fast lookup, and `Insert`.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

namespace sim {

template <class Value>
class HandleTable {
public:
    using key_type = int32_t;
    using mapped_type = Value;
    using value_type = std::pair<const int32_t, Value>;

    template <bool Const>
    class Iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = HandleTable::value_type;
        using difference_type = std::ptrdiff_t;
        using pointer = std::conditional_t<Const, const value_type*, value_type*>;
        using reference = std::conditional_t<Const, const value_type&, value_type&>;
        using Table = std::conditional_t<Const, const HandleTable, HandleTable>;

        Iterator() = default;
        Iterator(Table* table, size_t position) : table_(table), position_(position) {}
        // A mutable iterator converts to a const one.
        template <bool C = Const, class = std::enable_if_t<C>>
        Iterator(const Iterator<false>& other) : table_(other.table_), position_(other.position_) {}

        reference operator*() const { return *table_->ordered_[position_]; }
        pointer operator->() const { return table_->ordered_[position_].get(); }
        Iterator& operator++() {
            ++position_;
            return *this;
        }
        Iterator operator++(int) {
            Iterator before = *this;
            ++position_;
            return before;
        }
        // Iterators compare by position, so one taken before an entity was
        // appended still meets end().
        friend bool operator==(const Iterator& a, const Iterator& b) {
            return a.Position() == b.Position();
        }
        friend bool operator!=(const Iterator& a, const Iterator& b) { return !(a == b); }

    private:
        template <bool>
        friend class Iterator;
        friend class HandleTable;
        // end() is every position at or past the last entity.
        size_t Position() const {
            return table_ == nullptr ? 0 : std::min(position_, table_->ordered_.size());
        }
        Table* table_ = nullptr;
        size_t position_ = 0;
    };
    using iterator = Iterator<false>;
    using const_iterator = Iterator<true>;

    HandleTable() = default;
    HandleTable(HandleTable&&) noexcept = default;
    HandleTable& operator=(HandleTable&&) noexcept = default;
    HandleTable(const HandleTable& other) { CopyFrom(other); }
    HandleTable& operator=(const HandleTable& other) {
        if (this != &other) {
            clear();
            CopyFrom(other);
        }
        return *this;
    }

    // The fast lookup: null when no entity has the handle.
    Value* Find(int32_t handle) {
        value_type* node = FindNode(handle);
        return node == nullptr ? nullptr : &node->second;
    }
    const Value* Find(int32_t handle) const {
        const value_type* node = FindNode(handle);
        return node == nullptr ? nullptr : &node->second;
    }

    // Puts `value` under `handle`, replacing what was there; returns it.
    Value& Insert(int32_t handle, Value value) {
        if (value_type* node = FindNode(handle)) {
            node->second = std::move(value);
            return node->second;
        }
        auto node = std::make_unique<value_type>(handle, std::move(value));
        value_type* raw = node.get();
        if (ordered_.empty() || ordered_.back()->first < handle) {
            ordered_.push_back(std::move(node));  // handles are made in rising order
        } else {
            ordered_.insert(LowerBound(handle), std::move(node));
        }
        if (Indexed(handle)) {
            const size_t slot = static_cast<size_t>(handle);
            if (slot >= index_.size()) {
                index_.resize(std::max(slot + 1, index_.size() * 2), nullptr);
            }
            index_[slot] = raw;
        }
        return raw->second;
    }

    // std::map's interface.
    Value& operator[](int32_t handle) {
        if (Value* value = Find(handle)) {
            return *value;
        }
        return Insert(handle, Value{});
    }
    Value& at(int32_t handle) {
        Value* value = Find(handle);
        if (value == nullptr) {
            throw std::out_of_range("no entity with handle " + std::to_string(handle));
        }
        return *value;
    }
    const Value& at(int32_t handle) const { return const_cast<HandleTable*>(this)->at(handle); }
    size_t count(int32_t handle) const { return FindNode(handle) != nullptr ? 1 : 0; }
    iterator find(int32_t handle) {
        return FindNode(handle) == nullptr ? end() : iterator(this, Position(handle));
    }
    const_iterator find(int32_t handle) const {
        return FindNode(handle) == nullptr ? end() : const_iterator(this, Position(handle));
    }
    size_t erase(int32_t handle) {
        if (FindNode(handle) == nullptr) {
            return 0;
        }
        if (Indexed(handle)) {
            index_[static_cast<size_t>(handle)] = nullptr;
        }
        ordered_.erase(LowerBound(handle));
        return 1;
    }
    size_t size() const { return ordered_.size(); }
    bool empty() const { return ordered_.empty(); }
    void clear() {
        ordered_.clear();
        index_.clear();
    }
    iterator begin() { return iterator(this, 0); }
    iterator end() { return iterator(this, ordered_.size()); }
    const_iterator begin() const { return const_iterator(this, 0); }
    const_iterator end() const { return const_iterator(this, ordered_.size()); }

private:
    // Handles from 0 up to this are found through the index; others (the
    // host never makes them, but a test may) by a search of the sorted nodes.
    static constexpr int32_t IndexedLimit = 1 << 24;
    static bool Indexed(int32_t handle) { return handle >= 0 && handle < IndexedLimit; }

    using Node = std::unique_ptr<value_type>;

    typename std::vector<Node>::iterator LowerBound(int32_t handle) {
        return std::lower_bound(ordered_.begin(), ordered_.end(), handle,
                                [](const Node& node, int32_t h) { return node->first < h; });
    }
    typename std::vector<Node>::const_iterator LowerBound(int32_t handle) const {
        return std::lower_bound(ordered_.begin(), ordered_.end(), handle,
                                [](const Node& node, int32_t h) { return node->first < h; });
    }
    size_t Position(int32_t handle) const {
        return static_cast<size_t>(LowerBound(handle) - ordered_.begin());
    }

    value_type* FindNode(int32_t handle) const {
        if (Indexed(handle)) {
            const size_t slot = static_cast<size_t>(handle);
            return slot < index_.size() ? index_[slot] : nullptr;
        }
        auto it = LowerBound(handle);
        return it != ordered_.end() && (*it)->first == handle ? it->get() : nullptr;
    }

    void CopyFrom(const HandleTable& other) {
        ordered_.reserve(other.ordered_.size());
        for (const Node& node : other.ordered_) {
            Insert(node->first, node->second);
        }
    }

    std::vector<value_type*> index_;  // by handle value; null where there is none
    std::vector<Node> ordered_;       // the live entries in ascending handle order
};

}  // namespace sim
