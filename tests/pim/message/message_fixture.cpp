#include "message_fixture.h"

#include <fstream>
#include <iterator>

#include "pim/msg_content.h"

namespace pimmsg {
namespace {

std::optional<std::string> single(const tagString* s) {
    if (!s || !s->str) return std::nullopt;
    return std::string(s->str);
}

std::vector<std::vector<std::string>> values_of(const tagProp* list) {
    std::vector<std::vector<std::string>> out;
    for (; list; list = list->next) {
        std::vector<std::string> values;
        for (const tagString* s = list->values; s; s = s->next) values.push_back(s->str ? s->str : "");
        out.push_back(values);
    }
    return out;
}

void record(tOSIF_STOREID store, tagvObject* object, std::uint32_t status, std::uintptr_t context) {
    auto& out = *reinterpret_cast<std::vector<Seen>*>(context);
    const tagvMsg& m = object->body.msg;
    Seen s;
    s.store = store;
    s.status = status;
    s.luid = object->luid;
    s.version = object->version;
    s.status_text = single(m.STATUS);
    s.type = single(m.TYPE);
    s.folder = single(m.FOLDER);
    const std::pair<const char*, const tagProp*> lists[] = {
        {"MIME-VERSION", m.MIME_VERSION}, {"DATE", m.DATE}, {"FROM", m.FROM},
        {"TO", m.TO}, {"CC", m.CC}, {"BCC", m.BCC}, {"REPLY-TO", m.REPLY_TO},
        {"SUBJECT", m.SUBJECT}, {"IMPORTANCE", m.IMPORTANCE}};
    for (const auto& [name, list] : lists) {
        if (list) s.headers[name] = values_of(list);
    }
    if (m.multipart) {
        s.multipart = true;
        s.subtype = m.multipart->subtype;
        s.boundary = single(m.multipart->boundary).value_or("");
        s.multipart_type = single(m.multipart->contentType).value_or("");
    }
    for (const tagPart* p = m.parts; p; p = p->next) {
        SeenPart part;
        part.flags = p->flags;
        part.content_type = single(p->contentType);
        part.transfer_encoding = single(p->transferEncoding);
        if (p->content && p->content->values) part.text = single(p->content->values);
        if (p->content && p->content->file && p->content->file->path) {
            part.file = std::filesystem::path(std::u16string(p->content->file->path));
            std::ifstream in(*part.file, std::ios::binary);
            part.file_bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
        std::u16string wide;
        ContentToBSTR(p, wide);
        part.decoded = WideCharToUTF8(wide);
        s.parts.push_back(std::move(part));
    }
    out.push_back(std::move(s));
}

}  // namespace

Parse parse_stream(std::FILE* stream) {
    Parse p;
    p.result = OSIF_ParseVMessages(stream, record, reinterpret_cast<std::uintptr_t>(&p.messages));
    return p;
}

Parse parse_text(const std::string& text) {
    TextStream s(text);
    return parse_stream(s.get());
}

std::string message(const std::string& head, const std::string& body) {
    return "BEGIN:VMSG\r\nVERSION:1.1\r\n" + head + "BEGIN:VENV\r\nBEGIN:VBODY\r\n" + body +
           "END:VBODY\r\nEND:VENV\r\nEND:VMSG\r\n";
}

}  // namespace pimmsg
