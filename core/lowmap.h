/*
 * lowmap.h - one block of memory wholly below 2 GiB, so that every address
 * inside it fits a positive int. lowmap_posix.cpp and lowmap_win32.cpp
 * each provide it.
 */
#ifndef LOWMAP_H
#define LOWMAP_H

#include <cstddef>
#include <cstdint>

constexpr uintptr_t LOWMAP_LIMIT = uintptr_t(1) << 31;
constexpr uintptr_t LOWMAP_FIRST = 0x10000000;   // tried first: far from the usual images

/* A fresh zero-filled block whose end is at most LOWMAP_LIMIT, or nullptr:
   the pointer returned has size bytes after it and lead bytes (at most
   LOWMAP_MAX_LEAD) before it, and is LOWMAP_FIRST where that is free. A
   page takes memory only once it is touched. */
constexpr std::size_t LOWMAP_MAX_LEAD = 4096;
char *lowmap_create(std::size_t lead, std::size_t size);

#endif
