// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "Http.h"

namespace qv {
namespace {

TEST(HttpFormData, EncodesFieldsInTheOrderAdded) {
    HttpFormData form;
    form.AddField("start", "50");
    form.AddField("email", "a b+c@example.org");
    form.AddField("password", "&=%/\xC3\xBC~");
    form.AddField("empty", "");
    EXPECT_EQ(form.Body(), "start=50&email=a%20b%2Bc%40example.org&password=%26%3D%25%2F%C3%BC~&empty=");
    EXPECT_EQ(form.ContentType(), "application/x-www-form-urlencoded");

    form.Clear();
    EXPECT_EQ(form.Body(), "");
    form.AddField("num", "50");
    EXPECT_EQ(form.Body(), "num=50");
}

}  // namespace
}  // namespace qv
