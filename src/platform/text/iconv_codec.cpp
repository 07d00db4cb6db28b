#include <unordered_map>

#include "platform/text/codecs.h"
#include "platform/text/iconv_handle.h"

namespace qel::platform::text {
namespace {

class IconvCodec final : public Codec {
public:
    IconvCodec(const char* name, bool takes_flags) : name_(name), takes_flags_(takes_flags) {}

    bool decode(std::string_view bytes, std::u16string& out) const override {
        Descriptors* d = descriptors();
        if (d == nullptr) {
            if (!bytes.empty()) out += kReplacementChar;
            return bytes.empty();
        }
        return d->decoder.decode(bytes, out);
    }

    EncodeReport encode(std::u16string_view text, std::string& out,
                        std::string_view substitute) const override {
        EncodeReport report;
        Descriptors* d = descriptors();
        if (d == nullptr) {
            report.used_default = !text.empty();
            for (std::size_t i = 0; i < text.size();) {
                next_code_point(text, i);
                out += substitute;
            }
            return report;
        }
        d->encoder.reset();
        for (std::size_t i = 0; i < text.size();) {
            char32_t c = next_code_point(text, i);
            if (is_surrogate(c)) {
                report.unpaired_surrogate = true;
                // A code page that takes no default character (UTF-7) writes U+FFFD instead.
                if (!takes_flags_) c = kReplacementChar;
            }
            if (is_surrogate(c) || !d->encoder.encode_one(c, out)) {
                out += substitute;
                report.used_default = true;
            }
        }
        d->encoder.finish(out);
        return report;
    }

    bool takes_flags() const override { return takes_flags_; }

private:
    struct Descriptors {
        IconvHandle decoder;
        IconvHandle encoder;
    };

    // This thread's descriptors for this codec, opened on first use (null when iconv refuses).
    // Owned by the thread and closed when it ends; never shared, so no lock is needed.
    Descriptors* descriptors() const {
        thread_local std::unordered_map<const IconvCodec*, std::optional<Descriptors>> per_thread;
        auto found = per_thread.find(this);
        if (found == per_thread.end()) {
            auto decoder = IconvHandle::open(utf32_host_name(), name_);
            auto encoder = IconvHandle::open(name_, utf32_host_name());
            std::optional<Descriptors> d;
            if (decoder && encoder) d.emplace(Descriptors{std::move(*decoder), std::move(*encoder)});
            found = per_thread.emplace(this, std::move(d)).first;
        }
        return found->second ? &*found->second : nullptr;
    }

    const char* name_;
    bool takes_flags_;
};

}  // namespace

std::unique_ptr<Codec> make_iconv_codec(const char* iconv_name, bool takes_flags) {
    // Checked with handles of its own, so no thread keeps descriptors of a codec never made.
    if (!IconvHandle::open(utf32_host_name(), iconv_name) || !IconvHandle::open(iconv_name, utf32_host_name())) {
        return nullptr;
    }
    return std::make_unique<IconvCodec>(iconv_name, takes_flags);
}

}  // namespace qel::platform::text
