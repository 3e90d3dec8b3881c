// SPDX-License-Identifier: GPL-3.0-or-later
#include "xml/XmlTextEscaping.h"

namespace qv {

void CarriageReturnEscaper::Advance(char c) {
    switch (state_) {
        case kText:
            if (c == '<') state_ = kOpening;
            break;
        case kOpening:
            state_ = c == '!' ? kBang : c == '?' ? kInstruction : kTag;
            break;
        case kBang:
            state_ = c == '-' ? kComment : c == '[' ? kCData : kDoctype;
            quote_ = 0;
            brackets_ = 0;
            break;
        case kTag:
            if (quote_ != 0) {
                if (c == quote_) quote_ = 0;
            } else if (c == '"' || c == '\'') {
                quote_ = c;
            } else if (c == '>') {
                state_ = kText;
            }
            break;
        case kComment:
            if (c == '>' && last_ == '-' && beforeLast_ == '-') state_ = kText;
            break;
        case kInstruction:
            if (c == '>' && last_ == '?') state_ = kText;
            break;
        case kCData:
            if (c == '>' && last_ == ']' && beforeLast_ == ']') state_ = kText;
            break;
        case kDoctype:
            if (quote_ != 0) {
                if (c == quote_) quote_ = 0;
            } else if (c == '"' || c == '\'') {
                quote_ = c;
            } else if (c == '[') {
                ++brackets_;
            } else if (c == ']') {
                --brackets_;
            } else if (c == '>' && brackets_ <= 0) {
                state_ = kText;
            }
            break;
    }
    beforeLast_ = last_;
    last_ = c;
}

}  // namespace qv
