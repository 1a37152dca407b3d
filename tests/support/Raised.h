#pragma once
// Checking what an operation raises.

#include <gtest/gtest.h>

#include <string>

namespace tarvo::test {

// The message of the E that call raises, or "(nothing raised)".
template <class E, class Call>
std::string RaisedBy(Call call) {
    try {
        call();
    } catch (const E& e) {
        return e.Message();
    }
    return "(nothing raised)";
}

// Fails the test unless operation raises E with exactly this message.
template <class E, class Operation>
void ExpectError(Operation operation, const std::string& message) {
    EXPECT_EQ(RaisedBy<E>(operation), message);
}

}  // namespace tarvo::test
