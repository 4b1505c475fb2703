#include "model/object_pool.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdlib>

namespace plikatra {

namespace {
// Large, 2 MiB-aligned blocks let the kernel back them with huge pages: a big model then
// costs a few hundred page faults instead of tens of thousands.
constexpr std::size_t kBlockBytes = 8u << 20;
constexpr std::size_t kHugePage = 2u << 20;
}

// Objects are packed at their own alignment, not the heap's 16 bytes: a face of 120 bytes
// takes 120, not 128.
ObjectPool::ObjectPool(std::size_t objectSize, std::size_t alignment) {
    const std::size_t a = std::max(alignment, alignof(FreeNode));
    size_ = (std::max(objectSize, sizeof(FreeNode)) + a - 1) / a * a;
}

void* ObjectPool::allocate() {
    if (free_) {
        FreeNode* n = free_;
        free_ = n->next;
        return n;
    }
    if (cursor_ + size_ > end_) {
        // Blocks are kept for the life of the process and reused through the free list.
        const std::size_t bytes = std::max(kBlockBytes, size_);
        cursor_ = static_cast<char*>(::operator new(bytes, std::align_val_t(kHugePage)));
        ::madvise(cursor_, bytes, MADV_HUGEPAGE);
        end_ = cursor_ + bytes;
    }
    void* p = cursor_;
    cursor_ += size_;
    return p;
}

void ObjectPool::release(void* p) {
    FreeNode* n = static_cast<FreeNode*>(p);
    n->next = free_;
    free_ = n;
}

}  // namespace plikatra
