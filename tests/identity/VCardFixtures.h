#pragma once
// vCard files as real address books export them, for the identity tests.
#include "platform/Value.h"

#include <glib.h>

#include <string>

namespace talv::test {

// Picture bytes of the Apple-style card (the start of a JPEG file, then filler).
inline Bytes applePhoto() {
    Bytes b = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0x00};
    for (int i = 0; i < 300; ++i) b.push_back(static_cast<std::uint8_t>(i * 7));
    return b;
}

// Base64 folded as Mac OS X's Address Book folds it: 76 columns, continuation lines indented.
inline std::string foldedBase64(const Bytes& bytes) {
    gchar* encoded = g_base64_encode(bytes.data(), bytes.size());
    std::string text(encoded);
    g_free(encoded);
    std::string out;
    for (std::size_t i = 0; i < text.size(); i += 72) out += (i ? "\r\n  " : "") + text.substr(i, 72);
    return out;
}

// Mac OS X Address Book export (vCard 3.0): two people, the second with only handles.
inline std::string appleExport() {
    return "BEGIN:VCARD\r\n"
           "VERSION:3.0\r\n"
           "N:Appleseed;Johnny;;;\r\n"
           "FN:Johnny Appleseed\r\n"
           "ORG:Orchard\\, Inc.;\r\n"
           "item1.EMAIL;type=INTERNET;type=pref:johnny@example.com\r\n"
           "item1.X-ABLabel:_$!<Other>!$_\r\n"
           "X-AIM;type=HOME;type=pref:JohnnyAIM\r\n"
           "X-JABBER;type=HOME;type=pref:johnny@jabber.example.org\r\n"
           "NOTE:Met at the orchard\\; brought apples\\nand pears\r\n"
           "PHOTO;ENCODING=b;TYPE=JPEG:" + foldedBase64(applePhoto()) + "\r\n"
           "X-ABUID:5A1C39B0-3C5D-4C8A-9B8B-6E8C1D2E3F40:ABPerson\r\n"
           "REV:2008-05-27T13:15:42Z\r\n"
           "END:VCARD\r\n"
           "BEGIN:VCARD\r\n"
           "VERSION:3.0\r\n"
           "N:;;;;\r\n"
           "FN:\r\n"
           "X-JABBER;type=WORK:handles@jabber.example.org\r\n"
           "X-ICQ;type=HOME:123456\r\n"
           "X-ABUID:0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0:ABPerson\r\n"
           "END:VCARD\r\n";
}

// vCard 4.0 as CardDAV servers store it: UID, IMPP handles, a data: URI picture, basic REV.
inline std::string vcard4() {
    return "BEGIN:VCARD\r\n"
           "VERSION:4.0\r\n"
           "UID:urn:uuid:4fbe8971-0bc3-424c-9c26-36c3e1eff6b1\r\n"
           "FN:Kim Lindqvist\r\n"
           "N:Lindqvist;Kim;;;\r\n"
           "IMPP;PREF=1:xmpp:Kim@Jabber.Example.org\r\n"
           "IMPP;TYPE=home:icq:998877\r\n"
           "IMPP:aim:KimOnAim\r\n"
           "PHOTO:data:image/png;base64,iVBORw0KGgo=\r\n"
           "REV:20090102T030405Z\r\n"
           "END:VCARD\r\n";
}

// Three cards; the middle one has a line that is no property.
inline std::string withDamagedCard() {
    return "BEGIN:VCARD\r\nVERSION:3.0\r\nN:First;Good;;;\r\nUID:good-1\r\nX-AIM:goodone\r\nEND:VCARD\r\n"
           "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Broken;Card;;;\r\nthis line lost its property name\r\nX-AIM:brokenone\r\nEND:VCARD\r\n"
           "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Second;Good;;;\r\nX-AIM:goodtwo\r\nEND:VCARD\r\n";
}

}  // namespace talv::test
