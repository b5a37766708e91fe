#pragma once

// For tests that check both the type and the exact message of an error.

#include <gtest/gtest.h>

#include <exception>
#include <functional>
#include <string>

// Runs `call`, which must throw; returns the message after checking the type.
inline std::string thrown_message(const std::function<void()>& call,
                                  const std::function<bool(const std::exception&)>& is_expected) {
    try {
        call();
    } catch (const std::exception& e) {
        EXPECT_TRUE(is_expected(e)) << "unexpected error: " << e.what();
        return e.what();
    }
    ADD_FAILURE() << "nothing was thrown";
    return {};
}
