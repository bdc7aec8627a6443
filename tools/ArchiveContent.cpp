#include "tools/ArchiveContent.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <ctime>

namespace talv::tools {
namespace {

// A generator whose results do not depend on the standard library's distributions.
class Dice {
public:
    explicit Dice(std::uint64_t seed) : engine_(seed) {}
    std::size_t below(std::size_t n) { return n ? static_cast<std::size_t>(engine_() % n) : 0; }
    bool chance(double p) { return static_cast<double>(engine_() % 1000000) < p * 1000000; }
    template <typename T, std::size_t N> const T& pick(const std::array<T, N>& a) { return a[below(N)]; }
    template <typename T> const T& pick(const std::vector<T>& v) { return v[below(v.size())]; }

private:
    std::mt19937_64 engine_;
};

struct Language {
    std::vector<const char*> lines;
    std::vector<const char*> linkLines;   // "%s" is replaced by a link
    std::vector<const char*> emailLines;  // "%s" is replaced by an address
    std::vector<const char*> pictureLines;
};

const std::vector<Language>& languages() {
    static const std::vector<Language> all = {
        {{"hey, are you around?", "yeah, just got back from the library", "did you see the game last night?",
          "no, I fell asleep on the couch", "haha classic", "what are you doing this weekend?",
          "thinking about driving up to the lake if the weather holds", "that sounds great, can I come?",
          "sure, we leave Saturday around 9", "ok cool, I'll bring snacks", "how did the interview go?",
          "pretty well I think, they said they'd call by Friday", "fingers crossed!", "thanks :)",
          "my laptop died again", "did you try holding the power button for 10 seconds?",
          "that worked, you're a genius", "brb, pizza is here", "back", "lol",
          "can you send me the notes from Tuesday?", "sure, give me a minute",
          "I'm so tired of this rain", "me too. at least it's friday tomorrow", "gotta run, talk later",
          "ok bye!", "happy birthday!!! 🎂", "aww thank you", "are we still on for dinner?",
          "yes, 7:30 at the thai place", "perfect"},
         {"check this out: %s", "here's the link %s", "found it: %s (scroll down a bit)",
          "this is the one I told you about %s", "tickets are on sale at %s"},
         {"my new address is %s", "send it to %s, I check that one more often",
          "you can reach Mark at %s"},
         {"here's the photo from saturday", "look at this!", "the view from our hotel"}},
        {{"Hallo, bist du da?", "ja, gerade nach Hause gekommen", "Wie war der Urlaub?",
          "super, aber viel zu kurz", "Hast du am Wochenende Zeit?", "Samstag ja, Sonntag bin ich bei meinen Eltern",
          "Dann lass uns Samstag ins Kino gehen", "gute Idee! Welcher Film?", "Keine Ahnung, such du aus",
          "Ich muss los, bis später", "Tschüss!", "Grüße an Jana", "Danke, mach ich"},
         {"schau mal: %s", "hier ist der Link: %s"},
         {"meine neue Adresse ist %s"},
         {"hier das Foto vom Ausflug"}},
        {{"Salut, ça va ?", "oui et toi ?", "ça va, un peu fatigué", "tu fais quoi ce soir ?",
          "rien de spécial, on se voit ?", "d'accord, vers 20h au café ?", "parfait, à tout à l'heure",
          "j'ai fini le rapport enfin", "bravo ! tu l'as envoyé à Claire ?", "pas encore, demain matin"},
         {"regarde ça : %s", "voilà le lien %s"},
         {"écris-moi à %s"},
         {"la photo de la plage"}},
        {{"¿Qué tal el viaje?", "muy bien, Lisboa es preciosa", "¿cuándo vuelves?", "el jueves por la noche",
          "¿quedamos el viernes?", "vale, te llamo", "no te olvides del libro", "¡claro que no!"},
         {"mira esto: %s"},
         {"mi correo nuevo es %s"},
         {"una foto del viaje"}},
        {{"こんにちは！", "元気？", "うん、元気だよ。今日は忙しかった", "お疲れさま", "明日、映画に行かない？",
          "いいね！何時にする？", "6時に駅で", "了解、またね"},
         {"これ見て: %s"},
         {"メールは %s にお願い"},
         {"写真送るね"}},
        {{"Привет! Как дела?", "Всё хорошо, спасибо. А у тебя?", "Тоже нормально, работы много",
          "Когда приедешь?", "Наверное в субботу", "Отлично, жду!", "Пока!"},
         {"посмотри: %s"},
         {"мой адрес %s"},
         {"вот фотография"}},
        {{"Γεια σου! Τι κάνεις;", "Καλά, εσύ;", "Μια χαρά. Θα έρθεις αύριο;", "Ναι, κατά τις έξι",
          "Τέλεια, τα λέμε!"},
         {"δες αυτό: %s"},
         {"γράψε μου στο %s"},
         {"η φωτογραφία από το νησί"}},
    };
    return all;
}

constexpr std::array kFirstNames{"Anna", "Ben", "Chloé", "David", "Elena", "Felix", "Grace", "Hiro", "Ines",
                                 "Jonas", "Katya", "Liam", "Mina", "Noah", "Olga", "Pablo", "Quinn", "Rosa",
                                 "Sam", "Tomás", "Uma", "Victor", "Wen", "Yara", "Zoe", "Nikos", "Yuki", "Lea"};
constexpr std::array kLastNames{"Keller", "Martin", "Dubois", "Okafor", "García", "Novak", "Lee", "Tanaka",
                                "Silva", "Berg", "Ivanova", "Walsh", "Rahimi", "Fischer", "Petrova", "Ruiz",
                                "Moreau", "Costa", "Nakamura", "Papadopoulos", "Schmidt", "Chen", "Haddad"};
constexpr std::array kLinks{"http://www.flickr.com/photos/annak/2718943021/", "www.wikipedia.org/wiki/Lisbon",
                            "https://maps.google.com/maps?q=Lake+Tahoe&z=10", "http://www.nytimes.com/2006/10/12/technology/12apple.html",
                            "http://youtube.com/watch?v=dQw4w9WgXcQ", "https://github.com/", "www.imdb.com/title/tt0133093/",
                            "http://www.ticketmaster.com/event/0B003F2C", "ftp://ftp.gnu.org/gnu/emacs/",
                            "http://localhost:8080/wiki/Main_Page", "https://de.wikipedia.org/wiki/Bodensee"};
constexpr std::array kMailHosts{"gmail.com", "mac.com", "gmx.de", "yahoo.fr", "hotmail.com", "example.org", "uni-wien.ac.at"};
constexpr std::array kStatus{"went away", "came back", "signed off", "signed on", "is idle", "is no longer idle"};

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

std::string asciiOnly(const std::string& s) {
    std::string out;
    for (unsigned char c : s)
        if (std::isalnum(c)) out += static_cast<char>(c);
    return out.empty() ? "user" : out;
}

std::string fill(const char* pattern, const std::string& value) {
    std::string s(pattern);
    auto at = s.find("%s");
    return at == std::string::npos ? s + " " + value : s.replace(at, 2, value);
}

Account makeAccount(Service service, const Person& p, Dice& dice) {
    const std::string first = lower(asciiOnly(p.firstName)), last = lower(asciiOnly(p.lastName));
    switch (service) {
    case Service::AIM: return {service, first + last.substr(0, 1) + std::to_string(dice.below(99) + 1)};
    case Service::Jabber: return {service, first + "." + last + "@jabber.org"};
    case Service::ICQ: return {service, std::to_string(100000000 + dice.below(899999999))};
    case Service::GTalk: return {service, first + last + "@gmail.com"};
    }
    return {service, first};
}

// Start of a chat `daysAgo` local days before now, at a daytime hour, never in the future.
Date dayAt(const Date& now, int daysAgo, int hour, int minute) {
    time_t t = static_cast<time_t>(now.secondsSince1970);
    tm local{};
    localtime_r(&t, &local);
    local.tm_mday -= daysAgo;
    local.tm_hour = hour;
    local.tm_min = minute;
    local.tm_sec = 0;
    local.tm_isdst = -1;
    Date d{static_cast<double>(mktime(&local))};
    if (d > now) {
        // Today, but the hour has not come yet: shortly after midnight or a few minutes ago.
        time_t midnight = t;
        tm m{};
        localtime_r(&midnight, &m);
        m.tm_hour = m.tm_min = m.tm_sec = 0;
        m.tm_isdst = -1;
        const double start = static_cast<double>(mktime(&m));
        d = Date{std::max(start, now.secondsSince1970 - 600)};
    }
    return d;
}

// Days ago that land in every date range of the chats list, whatever today is.
std::vector<int> coverageDaysAgo(const Date& now) {
    time_t t = static_cast<time_t>(now.secondsSince1970);
    tm local{};
    localtime_r(&t, &local);
    const int d = local.tm_wday, m = local.tm_mday;
    return {0, 1, d + 3, m + 10, m + 45, m + 120, 366 + local.tm_yday / 2 + 1, 365 * 2 + local.tm_yday + 30, d};
}

}  // namespace

const char* serviceName(Service s) {
    switch (s) {
    case Service::AIM: return "AIM";
    case Service::Jabber: return "Jabber";
    case Service::ICQ: return "ICQ";
    case Service::GTalk: return "GTalk";
    }
    return "AIM";
}

ArchiveContent generateArchiveContent(const ArchiveOptions& options) {
    Dice dice(options.seed);
    ArchiveContent content;

    content.me = {"Alex", "Morgan", {}, true, "me-0000"};
    content.me.accounts = {{Service::AIM, "alexmorgan77"}, {Service::Jabber, "alex@jabber.org"},
                           {Service::GTalk, "alex.morgan@gmail.com"}};

    for (int i = 0; i < options.people; ++i) {
        Person p;
        p.firstName = kFirstNames[static_cast<std::size_t>(i) % kFirstNames.size()];
        p.lastName = dice.pick(kLastNames);
        p.uid = "person-" + std::to_string(options.seed) + "-" + std::to_string(i);
        p.hasPhoto = dice.chance(0.4);
        const int accounts = 1 + static_cast<int>(dice.below(3));  // some people have two or three accounts
        std::array<Service, 4> services{Service::AIM, Service::Jabber, Service::ICQ, Service::GTalk};
        for (int a = 0; a < accounts; ++a) p.accounts.push_back(makeAccount(services[(i + a) % 4], p, dice));
        content.people.push_back(std::move(p));
    }

    const auto anchors = coverageDaysAgo(options.now);
    for (int c = 0; c < options.chats; ++c) {
        GeneratedChat chat;
        chat.format = options.formats[static_cast<std::size_t>(c) % options.formats.size()];
        const bool group = dice.chance(0.1) && options.people > 2;
        const std::size_t count = group ? 2 + dice.below(2) : 1;
        while (chat.people.size() < count) {
            std::size_t who = dice.below(content.people.size());
            if (std::find(chat.people.begin(), chat.people.end(), who) == chat.people.end()) chat.people.push_back(who);
        }
        // Each chat uses one service that the first person has, and the user's account on it.
        const Account first = dice.pick(content.people[chat.people[0]].accounts);
        chat.me = content.me.accounts[0];
        for (const auto& a : content.me.accounts)
            if (a.service == first.service) chat.me = a;
        for (std::size_t who : chat.people) {
            Account acc = content.people[who].accounts[0];
            for (const auto& a : content.people[who].accounts)
                if (a.service == first.service) acc = a;
            chat.remote.push_back(acc);
        }

        const int daysAgo = c < static_cast<int>(anchors.size()) ? anchors[static_cast<std::size_t>(c)]
                                                                : static_cast<int>(dice.below(static_cast<std::size_t>(options.spanDays) + 1));
        chat.start = dayAt(options.now, daysAgo, 8 + static_cast<int>(dice.below(14)), static_cast<int>(dice.below(60)));

        const Language& lang = dice.chance(0.6) ? languages()[0] : dice.pick(languages());
        int messages = static_cast<int>(dice.below(static_cast<std::size_t>(options.messagesPerChat) * 2)) + 1;
        if (dice.chance(0.03)) messages *= 20;  // a few very long chats
        // Every (stride + 1)th chat, so that the long ones rotate through the formats.
        const int stride = options.longChats > 0 ? options.chats / options.longChats : 0;
        if (stride > 0 && c % (stride + 1) == 0 && c / (stride + 1) < options.longChats) messages = options.longChatMessages;
        const bool withLink = dice.chance(options.linkShare), withEmail = dice.chance(options.emailShare),
                   withPicture = dice.chance(options.pictureShare);
        const int linkAt = static_cast<int>(dice.below(static_cast<std::size_t>(messages)));
        const int emailAt = static_cast<int>(dice.below(static_cast<std::size_t>(messages)));
        const int pictureAt = static_cast<int>(dice.below(static_cast<std::size_t>(messages)));

        Date t = chat.start;
        for (int m = 0; m < messages; ++m) {
            GeneratedMessage msg;
            const bool mine = dice.chance(0.5);
            const std::size_t who = dice.below(chat.remote.size());
            msg.fromMe = mine;
            msg.senderHandle = mine ? chat.me.handle : chat.remote[who].handle;
            msg.time = t;
            if (withLink && m == linkAt) {
                msg.link = dice.pick(kLinks);
                msg.text = fill(dice.pick(lang.linkLines), msg.link);
                msg.hasLink = true;
            } else if (withEmail && m == emailAt) {
                const Person& p = mine ? content.me : content.people[chat.people[who]];
                msg.text = fill(dice.pick(lang.emailLines),
                                lower(asciiOnly(p.firstName)) + "." + lower(asciiOnly(p.lastName)) + "@" + dice.pick(kMailHosts));
                msg.hasEmail = true;
            } else if (withPicture && m == pictureAt) {
                msg.text = dice.pick(lang.pictureLines);
                msg.pictureSeed = static_cast<std::uint32_t>(dice.below(1u << 30));
            } else if (m > 0 && dice.chance(0.04)) {
                msg.isStatus = true;
                msg.fromMe = false;
                msg.senderHandle.clear();
                const Person& p = content.people[chat.people[who]];
                msg.text = p.firstName + " " + p.lastName + " " + dice.pick(kStatus);
            } else {
                msg.text = dice.pick(lang.lines);
            }
            chat.messages.push_back(std::move(msg));
            t = t.addingSeconds(5 + static_cast<double>(dice.below(180)));
        }
        content.chats.push_back(std::move(chat));
    }
    return content;
}

namespace {

void appendBigEndian(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
}

void appendChunk(std::vector<std::uint8_t>& out, const char* type, const std::vector<std::uint8_t>& data) {
    appendBigEndian(out, static_cast<std::uint32_t>(data.size()));
    const std::size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    appendBigEndian(out, static_cast<std::uint32_t>(crc32(0, out.data() + start, static_cast<uInt>(out.size() - start))));
}

}  // namespace

std::vector<std::uint8_t> makePicture(std::uint32_t seed, int width, int height) {
    std::vector<std::uint8_t> raw;
    raw.reserve(static_cast<std::size_t>((width * 3 + 1) * height));
    const int r0 = static_cast<int>(seed % 200), g0 = static_cast<int>((seed >> 8) % 200), b0 = static_cast<int>((seed >> 16) % 200);
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);
        for (int x = 0; x < width; ++x) {
            const bool stripe = ((x / 8) + (y / 8)) % 2 == 0;
            raw.push_back(static_cast<std::uint8_t>(r0 + (stripe ? 55 : 0)));
            raw.push_back(static_cast<std::uint8_t>(g0 + x * 55 / std::max(1, width)));
            raw.push_back(static_cast<std::uint8_t>(b0 + y * 55 / std::max(1, height)));
        }
    }
    uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
    std::vector<std::uint8_t> packed(packedSize);
    compress2(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()), 9);
    packed.resize(packedSize);

    std::vector<std::uint8_t> png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    std::vector<std::uint8_t> header;
    appendBigEndian(header, static_cast<std::uint32_t>(width));
    appendBigEndian(header, static_cast<std::uint32_t>(height));
    header.insert(header.end(), {8, 2, 0, 0, 0});  // 8-bit RGB
    appendChunk(png, "IHDR", header);
    appendChunk(png, "IDAT", packed);
    appendChunk(png, "IEND", {});
    return png;
}

}  // namespace talv::tools
