#include "tools/ContactsWriter.h"

#include <glib.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace talv::tools {
namespace {

void writeText(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

// Folds a content line at 75 octets, as vCard writers do.
std::string folded(const std::string& line) {
    std::string out;
    for (std::size_t i = 0; i < line.size(); i += (i == 0 ? 75 : 74)) {
        if (i) out += "\r\n ";
        out += line.substr(i, i == 0 ? 75 : 74);
    }
    return out + "\r\n";
}

std::string xmlEscaped(const std::string& s) {
    std::unique_ptr<char, decltype(&g_free)> escaped(g_markup_escape_text(s.c_str(), -1), g_free);
    return escaped.get();
}

std::string vcard(const Person& p, std::uint32_t photoSeed) {
    std::string card = "BEGIN:VCARD\r\nVERSION:3.0\r\n";
    card += "N:" + p.lastName + ";" + p.firstName + ";;;\r\n";
    card += "FN:" + p.firstName + " " + p.lastName + "\r\n";
    for (const auto& a : p.accounts) {
        switch (a.service) {
        case Service::AIM: card += "X-AIM;type=HOME;type=pref:" + a.handle + "\r\n"; break;
        case Service::ICQ: card += "X-ICQ;type=HOME:" + a.handle + "\r\n"; break;
        case Service::Jabber:
        case Service::GTalk: card += "X-JABBER;type=HOME:" + a.handle + "\r\n"; break;
        }
    }
    if (p.hasPhoto) {
        const auto png = makePicture(photoSeed, 48, 48);
        std::unique_ptr<gchar, decltype(&g_free)> b64(g_base64_encode(png.data(), png.size()), g_free);
        card += folded(std::string("PHOTO;ENCODING=b;TYPE=PNG:") + b64.get());
    }
    card += "X-ABUID:" + cardUniqueID(p) + "\r\n";
    card += "REV:2011-05-04T10:20:30Z\r\nEND:VCARD\r\n";
    return card;
}

}  // namespace

std::string cardUniqueID(const Person& person) { return person.uid + ":ABPerson"; }

void writeVCards(const fs::path& folder, const ArchiveContent& content) {
    writeText(folder / "Me.vcf", vcard(content.me, 7));
    for (std::size_t i = 0; i < content.people.size(); ++i) {
        const Person& p = content.people[i];
        writeText(folder / (p.uid + ".vcf"), vcard(p, static_cast<std::uint32_t>(1000 + i)));
    }
}

void writeBuddyList(const fs::path& file, const ArchiveContent& content) {
    std::ostringstream xml;
    xml << "<?xml version='1.0' encoding='UTF-8' ?>\n\n<purple version='1.0'>\n\t<blist>\n\t\t<group name=\"Buddies\">\n";
    bool withAlias = true;
    for (const auto& p : content.people) {
        for (const auto& a : p.accounts) {
            if (a.service != Service::AIM) continue;
            xml << "\t\t\t<contact>\n\t\t\t\t<buddy account='" << xmlEscaped(content.me.accounts[0].handle)
                << "' proto='prpl-oscar'>\n\t\t\t\t\t<name>" << xmlEscaped(a.handle) << "</name>\n";
            if (withAlias) xml << "\t\t\t\t\t<alias>" << xmlEscaped(p.firstName + " " + p.lastName) << "</alias>\n";
            else xml << "\t\t\t\t\t<setting name='servernick' type='string'>" << xmlEscaped(p.firstName) << "</setting>\n";
            xml << "\t\t\t\t</buddy>\n\t\t\t</contact>\n";
            withAlias = !withAlias;
        }
    }
    xml << "\t\t</group>\n\t</blist>\n</purple>\n";
    writeText(file, xml.str());
}

}  // namespace talv::tools
