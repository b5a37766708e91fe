#pragma once

#include <exception>
#include <new>

namespace varo {

// An internal consistency check failed.
class exception_bug_check : public std::exception {
public:
    const char* what() const noexcept override { return "Bug check"; }
};

// std::bad_alloc with the message every allocation failure of the component carries.
class exception_bad_alloc : public std::bad_alloc {
public:
    const char* what() const noexcept override { return "bad allocation"; }
};

} // namespace varo

// The host knows no instance of a requested service class.
class exception_service_not_found : public std::exception {
public:
    const char* what() const noexcept override { return "Service not found"; }
};

// The host knows more than one instance of a service class that must be unique.
class exception_service_duplicated : public std::exception {
public:
    const char* what() const noexcept override { return "Service duplicated"; }
};

namespace velmora_io {

// Any failure of a stream.
class exception_io : public std::exception {
public:
    const char* what() const noexcept override { return "I/O error"; }
};

// The data in a stream is not what its reader expects.
class exception_io_data : public exception_io {
public:
    const char* what() const noexcept override { return "Unsupported format or corrupted file"; }
};

// The data ended before its reader had what it needed.
class exception_io_data_truncation : public exception_io_data {
public:
    const char* what() const noexcept override { return "Unsupported format or corrupted file"; }
};

} // namespace velmora_io
