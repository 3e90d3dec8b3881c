#include <pugixml.hpp>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "AtomicFile.h"
#include "Error.h"
#include "Xml.h"

namespace qv {

namespace {

// Keeps comments, processing instructions, the declaration and a DOCTYPE as
// they are. A DOCTYPE is stored as text only: pugixml never reads external
// entities and expands none but the predefined ones, so a document cannot make
// us fetch anything or grow without bound.
constexpr unsigned kParseOptions = pugi::parse_full;

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
    struct stat info{};
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

// pugixml writes a carriage return in text as it is, and any XML reader would
// turn it into a line feed; written as a character reference it survives.
template <typename Append>
void WriteEscapingCarriageReturns(const char* data, size_t size, Append append) {
    const char* end = data + size;
    for (const char* cr; (cr = static_cast<const char*>(std::memchr(data, '\r', end - data))); data = cr + 1) {
        append(data, cr - data);
        append("&#13;", 5);
    }
    append(data, end - data);
}

class BufferedWriter : public pugi::xml_writer {
public:
    explicit BufferedWriter(AtomicFileWriter& out) : out_(out) { buffer_.reserve(kCapacity); }

    void write(const void* data, size_t size) override {
        WriteEscapingCarriageReturns(static_cast<const char*>(data), size,
                                     [this](const char* part, size_t length) { Append(part, length); });
    }

    bool Flush() {
        if (!failed_ && !buffer_.empty()) failed_ = !out_.Write(buffer_.data(), buffer_.size());
        buffer_.clear();
        return !failed_;
    }

private:
    void Append(const char* data, size_t size) {
        if (failed_) return;
        if (buffer_.size() + size > kCapacity && !Flush()) return;
        if (size >= kCapacity) {
            failed_ = !out_.Write(data, size);
            return;
        }
        buffer_.append(data, size);
    }

    static constexpr size_t kCapacity = 1 << 16;
    AtomicFileWriter& out_;
    std::string buffer_;
    bool failed_ = false;
};

class StringWriter : public pugi::xml_writer {
public:
    std::string text;
    void write(const void* data, size_t size) override {
        WriteEscapingCarriageReturns(static_cast<const char*>(data), size,
                                     [this](const char* part, size_t length) { text.append(part, length); });
    }
};

unsigned FormatFlags(bool indent) { return indent ? pugi::format_indent : pugi::format_raw; }

}  // namespace

struct XmlDocument::Impl {
    pugi::xml_document document;
    XmlParseError parseError;
    std::string saveError;

    bool Parsed(const pugi::xml_parse_result& result, const char* text, size_t size) {
        if (result) {
            parseError = XmlParseError();
            return true;
        }
        document.reset();
        parseError = XmlParseError(std::string(result.description()) + PositionOf(text, size, result.offset),
                                   result.offset);
        return false;
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
    if (!ReadFile(path, buffer, size, error)) {
        impl_->document.reset();
        impl_->parseError = XmlParseError(error, -1);
        return false;
    }
    const pugi::xml_parse_result result =
        impl_->document.load_buffer_inplace_own(buffer, size, kParseOptions, pugi::encoding_auto);
    if (result) {
        impl_->parseError = XmlParseError();
        return true;
    }
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
    const pugi::xml_parse_result result =
        impl_->document.load_buffer(text.data(), text.size(), kParseOptions, pugi::encoding_utf8);
    return impl_->Parsed(result, text.data(), text.size());
}

bool XmlDocument::Save(const std::string& path, bool indent) { return Save(path, indent, SystemFileOps()); }

bool XmlDocument::Save(const std::string& path, bool indent, FileOps& files) {
    impl_->DeclareUtf8();
    AtomicFileWriter out(path, files);
    bool saved = out.Open();
    if (saved) {
        BufferedWriter writer(out);
        impl_->document.save(writer, "\t", FormatFlags(indent), pugi::encoding_utf8);
        saved = writer.Flush() && out.Commit();
    }
    impl_->saveError = out.ErrorText();
    return saved;
}

const XmlParseError& XmlDocument::ParseError() const { return impl_->parseError; }
const std::string& XmlDocument::SaveError() const { return impl_->saveError; }

XmlNode XmlDocument::DocumentNode() const { return XmlNode(impl_->document.internal_object()); }

XmlNode XmlDocument::RootElement() const {
    return XmlNode(impl_->document.document_element().internal_object());
}

std::string XmlDocument::NodeText(const std::string& xpath) const { return DocumentNode().SelectSingleNode(xpath).Text(); }

std::string XmlDocument::Xml(bool indent) const {
    StringWriter writer;
    impl_->document.save(writer, "\t", FormatFlags(indent), pugi::encoding_utf8);
    return writer.text;
}

}  // namespace qv
