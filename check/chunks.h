/*
 * chunks.h - an array kept in chunks of a fixed size: growing it copies
 * nothing and holds no room beyond its last chunk, every chunk freed is
 * the right size for the next array, and the end of one array can be
 * handed to another chunk by chunk. A script's tokens, nodes and items.
 */
#ifndef CHUNKS_H
#define CHUNKS_H

#include <cstddef>
#include <iterator>
#include <utility>
#include <vector>

template <typename T> class Chunks {
    static constexpr unsigned BITS = 15;
    static constexpr std::size_t CHUNK = std::size_t(1) << BITS, MASK = CHUNK - 1;

    std::vector<std::vector<T>> chunks_;   // all full but the last
    std::size_t size_ = 0;
    std::size_t base_ = 0;                 // the index of the first element held (a tail's)
    std::size_t dropped_ = 0;              // the chunks before this one are freed

public:
    template <typename C, typename V> class Iter {
        C *c_ = nullptr;
        std::ptrdiff_t i_ = 0;

    public:
        using iterator_category = std::random_access_iterator_tag;
        using value_type = T;
        using difference_type = std::ptrdiff_t;
        using pointer = V *;
        using reference = V &;
        Iter() = default;
        Iter(C *c, std::ptrdiff_t i) : c_(c), i_(i) {}
        reference operator*() const { return (*c_)[static_cast<std::size_t>(i_)]; }
        pointer operator->() const { return &**this; }
        reference operator[](difference_type n) const { return *(*this + n); }
        Iter &operator++() { ++i_; return *this; }
        Iter &operator--() { --i_; return *this; }
        Iter operator++(int) { Iter t = *this; ++i_; return t; }
        Iter operator--(int) { Iter t = *this; --i_; return t; }
        Iter &operator+=(difference_type n) { i_ += n; return *this; }
        Iter &operator-=(difference_type n) { i_ -= n; return *this; }
        friend Iter operator+(Iter a, difference_type n) { return a += n; }
        friend Iter operator+(difference_type n, Iter a) { return a += n; }
        friend Iter operator-(Iter a, difference_type n) { return a -= n; }
        friend difference_type operator-(const Iter &a, const Iter &b) { return a.i_ - b.i_; }
        friend bool operator==(const Iter &a, const Iter &b) { return a.i_ == b.i_; }
        friend auto operator<=>(const Iter &a, const Iter &b) { return a.i_ <=> b.i_; }
    };
    using iterator = Iter<Chunks, T>;
    using const_iterator = Iter<const Chunks, const T>;

    Chunks() = default;
    Chunks(Chunks &&) = default;
    Chunks &operator=(Chunks &&) = default;
    Chunks(const Chunks &) = default;
    Chunks &operator=(const Chunks &) = default;

    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    T &operator[](std::size_t i) { i -= base_; return chunks_[i >> BITS][i & MASK]; }
    const T &operator[](std::size_t i) const { i -= base_; return chunks_[i >> BITS][i & MASK]; }
    T &back() { return chunks_.back().back(); }
    const T &back() const { return chunks_.back().back(); }
    iterator begin() { return {this, static_cast<std::ptrdiff_t>(base_)}; }
    iterator end() { return {this, static_cast<std::ptrdiff_t>(size_)}; }
    const_iterator begin() const { return {this, static_cast<std::ptrdiff_t>(base_)}; }
    const_iterator end() const { return {this, static_cast<std::ptrdiff_t>(size_)}; }
    iterator iter(std::size_t i) { return {this, static_cast<std::ptrdiff_t>(i)}; }
    const_iterator iter(std::size_t i) const { return {this, static_cast<std::ptrdiff_t>(i)}; }
    void reserve(std::size_t) {}   // chunks come as they are needed

    void push_back(const T &x)
    {
        if (chunks_.empty() || chunks_.back().size() == CHUNK) {
            chunks_.emplace_back();
            chunks_.back().reserve(CHUNK);
        }
        chunks_.back().push_back(x);
        size_++;
    }
    void clear()
    {
        chunks_.clear();
        size_ = base_ = dropped_ = 0;
    }
    // Shrinks to n elements.
    void resize(std::size_t n)
    {
        while (size_ > n) {
            std::size_t in_last = chunks_.back().size(), drop = std::min(in_last, size_ - n);
            chunks_.back().resize(in_last - drop);
            if (chunks_.back().empty())
                chunks_.pop_back();
            size_ -= drop;
        }
    }
    template <typename It> void assign(It first, It last)
    {
        clear();
        for (; first != last; ++first)
            push_back(*first);
    }

    // Everything from element from on, in a tail that keeps their indices;
    // this array keeps the elements before it.
    Chunks split(std::size_t from)
    {
        Chunks tail;
        std::size_t c = (from - base_) >> BITS;
        tail.base_ = base_ + (c << BITS);
        tail.size_ = size_;
        for (std::size_t k = c; k < chunks_.size(); k++)
            tail.chunks_.push_back(std::move(chunks_[k]));
        chunks_.resize(c);
        size_ = tail.base_;
        for (std::size_t i = tail.base_; i < from; i++)   // the chunk both need: copied
            push_back(tail[i]);
        return tail;
    }
    // Frees the chunks that hold only elements before index i (of a tail).
    void drop_before(std::size_t i)
    {
        for (std::size_t c = (i - base_) >> BITS; dropped_ < c && dropped_ < chunks_.size(); dropped_++)
            std::vector<T>().swap(chunks_[dropped_]);
    }
};

#endif
