// Class-level allocation for the small objects a model holds by the million (halfedges, faces,
// edges): carved from large blocks and recycled through a free list, which makes loading and
// destroying big models several times cheaper than one heap allocation each. Everything runs
// on the user-interface thread, so the pools need no locking. Sanitizer builds use the plain
// heap so that they still see every object's lifetime.
#pragma once

#include <cstddef>
#include <new>

namespace plikatra {

class ObjectPool {
public:
    // Objects of `objectSize` bytes, each placed at a multiple of `alignment`.
    ObjectPool(std::size_t objectSize, std::size_t alignment);
    void* allocate();
    void release(void* p);

private:
    struct FreeNode {
        FreeNode* next;
    };
    std::size_t size_;
    FreeNode* free_ = nullptr;
    char* cursor_ = nullptr;
    char* end_ = nullptr;
};

template <class T>
struct Pooled {
#ifndef PLIKATRA_NO_POOL
    static void* operator new(std::size_t n) {
        if (n != sizeof(T)) return ::operator new(n);
        return pool().allocate();
    }
    static void operator delete(void* p, std::size_t n) {
        if (!p) return;
        if (n != sizeof(T)) {
            ::operator delete(p);
            return;
        }
        pool().release(p);
    }

private:
    static ObjectPool& pool() {
        // Never destroyed: objects may outlive static destruction order.
        static ObjectPool* p = new ObjectPool(sizeof(T), alignof(T));
        return *p;
    }
#endif
};

}  // namespace plikatra
