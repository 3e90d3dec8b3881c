// SPDX-License-Identifier: GPL-3.0-or-later
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <pugixml.hpp>
#include <string>
#include <string_view>

#include "Error.h"
#include "Sundrykit.h"
#include "Xml.h"
#include "files/AtomicFile.h"
#include "xml/XmlChecks.h"
#include "xml/XmlTextEscaping.h"

namespace qv {

namespace {

// Keeps comments, processing instructions, the declaration and a DOCTYPE as
// they are. A DOCTYPE is stored as text only: pugixml never reads external
// entities and expands none but the predefined ones, so a document cannot make
// us fetch anything or grow without bound. Text of nothing but blanks is
// kept: it is an element's content like any other.
constexpr unsigned kParseOptions = pugi::parse_full | pugi::parse_ws_pcdata_single;

std::string PositionOf(const char* text, size_t size, ptrdiff_t offset) {
    if (offset < 0) return "";
    size_t line = 1;
    size_t column = 1;
    const size_t end = std::min(static_cast<size_t>(offset), size);
    for (size_t i = 0; i < end; ++i) {
        if (text[i] == '\n') {
            ++line;
            column = 1;
        } else if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
            ++column;
        }
    }
    return " at line " + std::to_string(line) + ", column " + std::to_string(column);
}

// Reads a whole file into memory from pugixml's allocator, so the parser can
// take the buffer over without a copy.
bool ReadFile(const std::string& path, char*& buffer, size_t& size, std::string& error) {
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
        error = std::strerror(EISDIR);
        return false;
    }
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        error = std::strerror(errno);
        return false;
    }
    std::string failure;
    buffer = nullptr;
    size = 0;
    if (std::fseek(file, 0, SEEK_END) != 0) {
        failure = std::strerror(errno);
    } else {
        const long length = std::ftell(file);
        if (length < 0) {
            failure = std::strerror(errno);
        } else {
            std::rewind(file);
            size = static_cast<size_t>(length);
            buffer = static_cast<char*>(pugi::get_memory_allocation_function()(size ? size : 1));
            if (!buffer) {
                failure = "Not enough memory to read the file";
            } else if (std::fread(buffer, 1, size, file) != size) {
                failure = std::ferror(file) ? std::strerror(errno) : "The file changed while it was read";
            }
        }
    }
    std::fclose(file);
    if (failure.empty()) return true;
    if (buffer) pugi::get_memory_deallocation_function()(buffer);
    buffer = nullptr;
    error = failure;
    return false;
}

class BufferedWriter : public pugi::xml_writer {
public:
    BufferedWriter(AtomicFileWriter& out, bool escape) : out_(out), escape_(escape) {
        buffer_.reserve(kCapacity);
    }

    void write(const void* data, size_t size) override {
        if (!escape_) {
            // A carriage return in the output may stand in text, where it must be escaped:
            // the caller writes the file again, escaping, and the rest of this one is no use.
            if (sawCarriageReturn_ || std::memchr(data, '\r', size) != nullptr) {
                sawCarriageReturn_ = true;
                return;
            }
            Append(static_cast<const char*>(data), size);
            return;
        }
        escaper_.Write(static_cast<const char*>(data), size,
                       [this](const char* part, size_t length) { Append(part, length); });
    }

    bool SawCarriageReturn() const { return sawCarriageReturn_; }

    // The writer's failure, once there was one.
    Status Flush() {
        if (failure_.ok() && !buffer_.empty()) failure_ = out_.Write(buffer_.data(), buffer_.size());
        buffer_.clear();
        return failure_;
    }

private:
    void Append(const char* data, size_t size) {
        if (!failure_.ok()) return;
        if (buffer_.size() + size > kCapacity && !Flush().ok()) return;
        if (size >= kCapacity) {
            failure_ = out_.Write(data, size);
            return;
        }
        buffer_.append(data, size);
    }

    static constexpr size_t kCapacity = 1 << 16;
    AtomicFileWriter& out_;
    const bool escape_;
    CarriageReturnEscaper escaper_;
    std::string buffer_;
    Status failure_;
    bool sawCarriageReturn_ = false;
};

class StringWriter : public pugi::xml_writer {
public:
    std::string text;
    void write(const void* data, size_t size) override {
        escaper_.Write(static_cast<const char*>(data), size,
                       [this](const char* part, size_t length) { text.append(part, length); });
    }

private:
    CarriageReturnEscaper escaper_;
};

unsigned FormatFlags(bool indent) { return indent ? pugi::format_indent : pugi::format_raw; }

enum class Encoding { Auto, Windows1252, Unreadable };

// pugixml reads UTF-8, UTF-16, UTF-32 and Latin-1 by itself; any other
// declared encoding it would read as UTF-8 and the save would then label the
// old bytes UTF-8.
Encoding EncodingFor(const std::string& declared) {
    static const char* const readable[] = {"",           "utf-8",     "utf8",       "us-ascii", "ascii",
                                           "iso-8859-1", "iso8859-1", "iso_8859-1", "latin1",   "latin-1",
                                           "l1",         "utf-16",    "utf-16le",   "utf-16be", "utf-32",
                                           "utf-32le",   "utf-32be"};
    if (std::find(std::begin(readable), std::end(readable), declared) != std::end(readable))
        return Encoding::Auto;
    if (declared == "windows-1252" || declared == "cp1252" || declared == "x-cp1252")
        return Encoding::Windows1252;
    return Encoding::Unreadable;
}

}  // namespace

struct XmlDocument::Impl {
    pugi::xml_document document;
    XmlParseError parseError;
    std::string saveError;

    bool Parsed(const pugi::xml_parse_result& result, const char* text, size_t size) {
        if (result) {
            if (xmlcheck::NestedTooDeep(document)) {
                return Refuse("The elements are nested deeper than " +
                                  std::to_string(xmlcheck::kMaxElementDepth) + " levels",
                              -1);
            }
            parseError = XmlParseError();
            return true;
        }
        return Refuse(std::string(result.description()) + PositionOf(text, size, result.offset),
                      result.offset);
    }

    bool Refuse(std::string reason, ptrdiff_t offset) {
        document.reset();
        parseError = XmlParseError(std::move(reason), offset);
        return false;
    }

    // Checked before parsing, because pugixml cuts a text off at such a reference without a word.
    bool HoldsEveryReference(const char* text, size_t size) {
        const std::optional<size_t> at = xmlcheck::FindUnholdableReference(text, size);
        if (!at) return true;
        const size_t end = std::string_view(text, size).find(';', *at);
        const std::string reference(text + *at, end == std::string_view::npos ? 2 : end + 1 - *at);
        return Refuse("The character reference " + skPrintable(reference) +
                          " names no character XML can hold" +
                          PositionOf(text, size, static_cast<ptrdiff_t>(*at)),
                      static_cast<ptrdiff_t>(*at));
    }

    // What we write is UTF-8, so a declaration that names another encoding
    // would make the saved file read back wrongly.
    void DeclareUtf8() {
        for (pugi::xml_node child : document.children()) {
            if (child.type() != pugi::node_declaration) continue;
            if (pugi::xml_attribute encoding = child.attribute("encoding")) encoding.set_value("UTF-8");
            break;
        }
    }
};

XmlDocument::XmlDocument() : impl_(std::make_unique<Impl>()) {}
XmlDocument::~XmlDocument() = default;
XmlDocument::XmlDocument(XmlDocument&&) noexcept = default;
XmlDocument& XmlDocument::operator=(XmlDocument&&) noexcept = default;

bool XmlDocument::Load(const std::string& path, int /*flags*/) {
    char* buffer = nullptr;
    size_t size = 0;
    std::string error;
    if (!ReadFile(path, buffer, size, error)) return impl_->Refuse(error, -1);

    const std::string declared = xmlcheck::DeclaredEncoding(buffer, size);
    const Encoding encoding = EncodingFor(declared);
    if (encoding != Encoding::Auto) {
        const std::string bytes(buffer, size);
        pugi::get_memory_deallocation_function()(buffer);
        if (encoding == Encoding::Unreadable) {
            return impl_->Refuse(
                "The file is declared in the encoding \"" + skPrintable(declared) + "\", which can't be read",
                -1);
        }
        // Read as the UTF-8 it will be saved as; the save declares it so.
        return LoadXml(skCodePageToUTF8(bytes), 0);
    }
    if (!impl_->HoldsEveryReference(buffer, size)) {
        pugi::get_memory_deallocation_function()(buffer);
        return false;
    }
    const pugi::xml_parse_result result =
        impl_->document.load_buffer_inplace_own(buffer, size, kParseOptions, pugi::encoding_auto);
    if (result) return impl_->Parsed(result, nullptr, 0);
    // The parser changed the buffer in place; read the file again to tell the
    // user the line and column of the problem.
    std::string original;
    if (char* again = nullptr; ReadFile(path, again, size, error)) {
        original.assign(again, size);
        pugi::get_memory_deallocation_function()(again);
    }
    return impl_->Parsed(result, original.data(), original.size());
}

bool XmlDocument::LoadXml(const std::string& text, int /*flags*/) {
    if (!impl_->HoldsEveryReference(text.data(), text.size())) return false;
    const pugi::xml_parse_result result =
        impl_->document.load_buffer(text.data(), text.size(), kParseOptions, pugi::encoding_utf8);
    return impl_->Parsed(result, text.data(), text.size());
}

bool XmlDocument::Save(const std::string& path, bool indent) { return Save(path, indent, SystemFileOps()); }

bool XmlDocument::Save(const std::string& path, bool indent, FileOps& files) {
    return Save(path, indent, FileSaveOptions(), files);
}

bool XmlDocument::Save(const std::string& path, bool indent, const FileSaveOptions& options, FileOps& files) {
    impl_->DeclareUtf8();
    // Following the output for where text stands costs more than the rest of
    // the save, so it is done only when the output holds a carriage return at
    // all; a file that does is written again, escaping them in text.
    for (const bool escape : {false, true}) {
        AtomicFileWriter out(path, files, options);
        Status saved = out.Open();
        if (saved.ok()) {
            BufferedWriter writer(out, escape);
            impl_->document.save(writer, "\t", FormatFlags(indent), pugi::encoding_utf8);
            if (writer.SawCarriageReturn()) continue;  // the unfinished file goes with `out`
            saved = writer.Flush();
            if (saved.ok()) saved = out.Commit();
        }
        impl_->saveError = saved.text();
        return saved.ok();
    }
    return false;  // the escaping pass never comes back for another
}

const XmlParseError& XmlDocument::ParseError() const { return impl_->parseError; }
const std::string& XmlDocument::SaveError() const { return impl_->saveError; }

XmlNode XmlDocument::DocumentNode() const { return XmlNode(impl_->document.internal_object()); }

XmlNode XmlDocument::RootElement() const {
    return XmlNode(impl_->document.document_element().internal_object());
}

std::string XmlDocument::NodeText(const std::string& xpath) const {
    return DocumentNode().SelectSingleNode(xpath).Text();
}

std::string XmlDocument::Xml(bool indent) const {
    StringWriter writer;
    impl_->document.save(writer, "\t", FormatFlags(indent), pugi::encoding_utf8);
    return writer.text;
}

}  // namespace qv
