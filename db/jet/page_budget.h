#pragma once
// The memory for pages that every file of one search shares: the database the host
// names and the back-ends its links lead to keep pages only while, together, they
// stay within it. Taken and given back by their page caches, one page at a time;
// counted atomically, so that caches on any thread may share it.
#include <atomic>
#include <cstddef>

namespace scandrel::db::jet {

class PageBudget {
public:
    explicit PageBudget(size_t bytes) : bytes_(bytes) {}
    PageBudget(const PageBudget&) = delete;
    PageBudget& operator=(const PageBudget&) = delete;

    size_t bytes() const { return bytes_; }
    size_t used() const { return used_.load(); }
    bool left(size_t bytes) const { return bytes <= bytes_ && used_.load() <= bytes_ - bytes; }
    // Room for `bytes` more, taken when there is some left.
    bool take(size_t bytes) {
        size_t now = used_.load();
        do {
            if (bytes > bytes_ || now > bytes_ - bytes) return false;
        } while (!used_.compare_exchange_weak(now, now + bytes));
        return true;
    }
    // Room taken whether there is some or not: a cache keeps at least one page.
    void takeAnyway(size_t bytes) { used_ += bytes; }
    void giveBack(size_t bytes) { used_ -= bytes; }

private:
    const size_t bytes_;
    std::atomic<size_t> used_{0};
};

}  // namespace scandrel::db::jet
