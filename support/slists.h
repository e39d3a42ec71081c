// Singly linked lists whose nodes own a private copy of their payload.
#pragma once
#include <cstddef>
#include <forward_list>
#include <utility>

template <class T>
class sll_list {
public:
    // Makes a new first node holding a copy of `data`.
    T& sll_push(T data)
    {
        nodes_.push_front(std::move(data));
        return nodes_.front();
    }
    // Appends a node after the last one; with sll_pop this is a first-in-first-out queue.
    T& sll_push_at_end(T data)
    {
        auto it = nodes_.before_begin();
        for (auto next = std::next(it); next != nodes_.end(); ++next) it = next;
        return *nodes_.insert_after(it, std::move(data));
    }
    // Removes the first node; an empty list is left alone.
    void sll_pop()
    {
        if (!nodes_.empty()) nodes_.pop_front();
    }
    // The first node's payload, or null for an empty list.
    T* sll_peek() { return nodes_.empty() ? nullptr : &nodes_.front(); }
    const T* sll_peek() const { return nodes_.empty() ? nullptr : &nodes_.front(); }
    // First payload for which `match` says yes, or null.
    template <class Pred>
    T* sll_find(Pred match)
    {
        for (auto& v : nodes_)
            if (match(v)) return &v;
        return nullptr;
    }
    template <class F>
    void sll_foreach(F do_stuff)
    {
        for (auto& v : nodes_) do_stuff(v);
    }
    template <class F>
    void sll_foreach(F do_stuff) const
    {
        for (const auto& v : nodes_) do_stuff(v);
    }

    bool empty() const { return nodes_.empty(); }
    void clear() { nodes_.clear(); }
    auto begin() { return nodes_.begin(); }
    auto end() { return nodes_.end(); }
    auto begin() const { return nodes_.begin(); }
    auto end() const { return nodes_.end(); }

private:
    std::forward_list<T> nodes_;
};
