// SPDX-License-Identifier: GPL-3.0-or-later
// A saved backup, loaded once and walked without copying: the blog's own
// description and the post elements in the order of the file (newest first,
// as saved), one per id.
#pragma once

#include <pugixml.hpp>
#include <string>
#include <vector>

#include "Status.h"
#include "Xml.h"

namespace qv::site {

struct Blog {
    XmlDocument document;  // owns everything the nodes point into
    std::string name;
    std::string title;
    std::string descriptionHtml;
    std::vector<pugi::xml_node> posts;
};

// Loads `path`: UnreadableXml when it cannot be read or parsed, NotBlogXml
// when it is no backup.
Status ReadBlog(const std::string& path, Blog& blog);

// The text of an element's content, whatever pieces (text, CDATA) it is stored in.
std::string ElementText(pugi::xml_node element);

}  // namespace qv::site
