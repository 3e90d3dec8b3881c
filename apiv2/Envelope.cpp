// SPDX-License-Identifier: GPL-3.0-or-later
#include "apiv2/Envelope.h"

#include "Http.h"

namespace qv::apiv2 {

namespace {

// The service's explanation of a failure: `meta.msg`, then the first error's
// title and detail, as far as they are text.
std::string FailureWords(const Json& answer, std::int64_t status) {
    std::string words = "The service answered " + std::to_string(status);
    const Json* meta = ObjectField(answer, "meta");
    if (auto message = meta != nullptr ? TextField(*meta, "msg") : std::nullopt) words += " " + *message;
    const Json* response = Field(answer, "response");
    const Json* errors = response != nullptr ? ArrayField(*response, "errors") : nullptr;
    if (errors == nullptr) errors = ArrayField(answer, "errors");
    if (errors != nullptr && !errors->empty()) {
        const Json& first = errors->front();
        if (auto title = TextField(first, "title")) words += ": " + *title;
        if (auto detail = TextField(first, "detail")) words += " (" + *detail + ")";
    }
    return words + ".";
}

}  // namespace

Result<Json> ReadEnvelope(std::string_view body) {
    Json answer = Json::parse(body, nullptr, /*allow_exceptions=*/false);
    if (answer.is_discarded())
        return Status(StatusKind::UnreadableXml, "The service's answer is not JSON.");
    const Json* meta = ObjectField(answer, "meta");
    const std::optional<std::int64_t> status = meta != nullptr ? IntegerField(*meta, "status") : std::nullopt;
    if (!status)
        return Status(StatusKind::NotBlogXml, "The service's answer is JSON but no answer of its API (no meta.status).");
    if (*status != 200) {
        const int code = *status >= 100 && *status <= 599 ? static_cast<int>(*status) : 0;
        return Status(HttpStatusKind(code, false), FailureWords(answer, *status)).WithHttpStatus(code);
    }
    if (ObjectField(answer, "response") == nullptr)
        return Status(StatusKind::NotBlogXml, "The service's answer says OK but holds no response object.");
    return answer;
}

}  // namespace qv::apiv2
