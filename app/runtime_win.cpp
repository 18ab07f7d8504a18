// Zorvik uses no exceptions. The C++ library's few throw sites (a string
// grown past its maximum, memory exhausted) end the program here instead, so
// that the exception, demangling and message machinery stays out of the exe.
#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <new>

namespace std {
void __throw_bad_alloc() {
    abort();
}
void __throw_length_error(const char*) {
    abort();
}
void __throw_logic_error(const char*) {
    abort();
}
void __throw_out_of_range(const char*) {
    abort();
}
void __throw_out_of_range_fmt(const char*, ...) {
    abort();
}
void __throw_invalid_argument(const char*) {
    abort();
}
void __throw_bad_function_call() {
    abort();
}
void __throw_bad_cast() {
    abort();
}
void __throw_bad_typeid() {
    abort();
}
void __throw_bad_exception() {
    abort();
}
void __throw_bad_array_new_length() {
    abort();
}
void __throw_range_error(const char*) {
    abort();
}
void __throw_domain_error(const char*) {
    abort();
}
void __throw_runtime_error(const char*) {
    abort();
}
void __throw_overflow_error(const char*) {
    abort();
}
void __throw_underflow_error(const char*) {
    abort();
}
} // namespace std

// Replacements for the global operator new and delete (the standard allows a
// program its own). The library's versions throw std::bad_alloc and so bring
// the unwinder along; Zorvik's end the program when memory runs out instead.
void* operator new(std::size_t size) {
    void* block = std::malloc(size ? size : 1);
    if (!block) abort();
    return block;
}
void* operator new[](std::size_t size) {
    return operator new(size);
}
void operator delete(void* block) noexcept {
    std::free(block);
}
void operator delete[](void* block) noexcept {
    std::free(block);
}
void operator delete(void* block, std::size_t) noexcept {
    std::free(block);
}
void operator delete[](void* block, std::size_t) noexcept {
    std::free(block);
}

namespace __gnu_cxx {
void __verbose_terminate_handler() {
    abort();
}
} // namespace __gnu_cxx
