#pragma once

// A private user at a free-mail provider, support at our own domain, and the
// administrator of an e-mail marketing service: three different domains.
inline constexpr const char *kSampleEntries[3] = {
    "jordan.ellis@postfree.example",
    "support@kestrune.example",
    "admin@sendwave-marketing.example",
};
