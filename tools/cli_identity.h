#pragma once
// The text that zunit's searches carry as their data unless --data says otherwise: who is
// asking, in the shape of the finder's own identity document.

inline constexpr const char* kZunitIdentity =
    "<quillondata><ident name=\"zunit\" edition=\"cli\" version=\"1.0.0\" /></quillondata>";
