// SPDX-License-Identifier: GPL-3.0-or-later
// Comparing what the v2 API's answers become with what the read API wrote.
#pragma once

#include <gtest/gtest.h>

#include <pugixml.hpp>
#include <string>

namespace qv {

inline pugi::xml_node PostById(const pugi::xml_document& document, const std::string& id) {
    return document.child("tumblr").child("posts").find_child_by_attribute("post", "id", id.c_str());
}

// Same name, same attributes in the same order, same text, same element
// children in the same order. The read API's deprecated conversation-line
// copies of the chat lines are no part of what a page must hold.
inline void ExpectSameElement(const pugi::xml_node& expected, const pugi::xml_node& actual, const std::string& where) {
    SCOPED_TRACE(where);
    ASSERT_TRUE(actual) << "missing " << expected.name();
    EXPECT_STREQ(actual.name(), expected.name());
    std::string expectedAttributes, actualAttributes;
    for (const auto& a : expected.attributes()) expectedAttributes += std::string(a.name()) + "=" + a.value() + " ";
    for (const auto& a : actual.attributes()) actualAttributes += std::string(a.name()) + "=" + a.value() + " ";
    EXPECT_EQ(actualAttributes, expectedAttributes);
    EXPECT_STREQ(actual.child_value(), expected.child_value());
    pugi::xml_node mine = actual.first_child();
    for (pugi::xml_node theirs = expected.first_child(); theirs; theirs = theirs.next_sibling()) {
        if (theirs.type() != pugi::node_element || std::string(theirs.name()) == "conversation-line") continue;
        while (mine && mine.type() != pugi::node_element) mine = mine.next_sibling();
        ExpectSameElement(theirs, mine, where + "/" + theirs.name());
        if (mine) mine = mine.next_sibling();
    }
    while (mine && mine.type() != pugi::node_element) mine = mine.next_sibling();
    EXPECT_FALSE(mine) << "an element the read API did not write: " << mine.name();
}

}  // namespace qv
