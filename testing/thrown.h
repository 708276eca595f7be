#pragma once
#include <gtest/gtest.h>

#include <string>

// What the exception of class E that `action` throws says; a failure of the
// test when it throws none. Exceptions of other classes pass through.
template <class E, class Action>
std::string thrown_message(Action&& action) {
    try {
        action();
    } catch (const E& e) {
        return e.what();
    }
    ADD_FAILURE() << "nothing thrown";
    return "(nothing thrown)";
}
