#include "appcatalog.h"

#include <QList>
#include <QUrl>

#include <algorithm>
#include <array>

using namespace Qt::StringLiterals;

namespace {

struct KnownApp
{
    QString id;
    QString name;
    AppCategory category;
};

struct KeywordRule
{
    AppCategory category;
    QStringList keywords;
};

// In the order of the source list; the demo layout is built from it.
const QList<KnownApp> &knownApps()
{
    using enum AppCategory;
    static const QList<KnownApp> apps = {
            {u"com.apple.mobilephone"_s, u"Phone"_s, social},
            {u"com.apple.MobileSMS"_s, u"Messages"_s, social},
            {u"com.apple.mobilesafari"_s, u"Safari"_s, utilities},
            {u"com.apple.mobilemail"_s, u"Mail"_s, productivity},
            {u"com.apple.Music"_s, u"Music"_s, entertainment},
            {u"com.apple.camera"_s, u"Camera"_s, creativity},
            {u"com.apple.mobileslideshow"_s, u"Photos"_s, creativity},
            {u"com.apple.mobilenotes"_s, u"Notes"_s, productivity},
            {u"com.apple.reminders"_s, u"Reminders"_s, productivity},
            {u"com.apple.mobilecal"_s, u"Calendar"_s, productivity},
            {u"com.apple.Maps"_s, u"Maps"_s, travel},
            {u"com.apple.Health"_s, u"Health"_s, health},
            {u"com.apple.Fitness"_s, u"Fitness"_s, health},
            {u"com.apple.Passbook"_s, u"Wallet"_s, money},
            {u"com.apple.Preferences"_s, u"Settings"_s, utilities},
            {u"com.apple.mobiletimer"_s, u"Clock"_s, utilities},
            {u"com.apple.calculator"_s, u"Calculator"_s, utilities},
            {u"com.apple.weather"_s, u"Weather"_s, utilities},
            {u"com.apple.AppStore"_s, u"App Store"_s, utilities},
            {u"com.apple.findmy"_s, u"Find My"_s, utilities},
            {u"com.apple.shortcuts"_s, u"Shortcuts"_s, productivity},
            {u"com.apple.DocumentsApp"_s, u"Files"_s, productivity},
            {u"com.apple.podcasts"_s, u"Podcasts"_s, entertainment},
            {u"com.apple.tv"_s, u"TV"_s, entertainment},
            {u"com.apple.iBooks"_s, u"Books"_s, entertainment},
            {u"com.apple.facetime"_s, u"FaceTime"_s, social},
            {u"com.apple.VoiceMemos"_s, u"Voice Memos"_s, creativity},
            {u"com.apple.stocks"_s, u"Stocks"_s, money},
            {u"com.burbn.instagram"_s, u"Instagram"_s, social},
            {u"com.facebook.Facebook"_s, u"Facebook"_s, social},
            {u"com.facebook.Messenger"_s, u"Messenger"_s, social},
            {u"com.atebits.Tweetie2"_s, u"X"_s, social},
            {u"com.toyopagroup.picaboo"_s, u"Snapchat"_s, social},
            {u"com.zhiliaoapp.musically"_s, u"TikTok"_s, social},
            {u"com.reddit.Reddit"_s, u"Reddit"_s, social},
            {u"com.hammerandchisel.discord"_s, u"Discord"_s, social},
            {u"net.whatsapp.WhatsApp"_s, u"WhatsApp"_s, social},
            {u"org.telegram.Telegram"_s, u"Telegram"_s, social},
            {u"org.whispersystems.signal"_s, u"Signal"_s, social},
            {u"com.linkedin.LinkedIn"_s, u"LinkedIn"_s, social},
            {u"com.spotify.client"_s, u"Spotify"_s, entertainment},
            {u"com.netflix.Netflix"_s, u"Netflix"_s, entertainment},
            {u"com.google.ios.youtube"_s, u"YouTube"_s, entertainment},
            {u"com.disney.disneyplus"_s, u"Disney+"_s, entertainment},
            {u"tv.twitch"_s, u"Twitch"_s, entertainment},
            {u"com.amazon.Amazon"_s, u"Amazon"_s, shopping},
            {u"com.ebay.iphone"_s, u"eBay"_s, shopping},
            {u"com.etsy.etsyforiphone"_s, u"Etsy"_s, shopping},
            {u"com.ubercab.UberClient"_s, u"Uber"_s, travel},
            {u"com.zimride.instant"_s, u"Lyft"_s, travel},
            {u"com.airbnb.app"_s, u"Airbnb"_s, travel},
            {u"com.google.Maps"_s, u"Google Maps"_s, travel},
            {u"com.waze.iphone"_s, u"Waze"_s, travel},
            {u"com.paypal.PPClient"_s, u"PayPal"_s, money},
            {u"com.venmo.touch"_s, u"Venmo"_s, money},
            {u"com.squareup.cash"_s, u"Cash App"_s, money},
            {u"com.chase"_s, u"Chase"_s, money},
            {u"com.robinhood.release.Robinhood"_s, u"Robinhood"_s, money},
            {u"com.tinyspeck.chatlyio"_s, u"Slack"_s, productivity},
            {u"notion.id"_s, u"Notion"_s, productivity},
            {u"com.openai.chat"_s, u"ChatGPT"_s, productivity},
            {u"com.anthropic.claude"_s, u"Claude"_s, productivity},
            {u"com.google.Gmail"_s, u"Gmail"_s, productivity},
            {u"com.google.Drive"_s, u"Google Drive"_s, productivity},
            {u"com.microsoft.Office.Outlook"_s, u"Outlook"_s, productivity},
            {u"us.zoom.videomeetings"_s, u"Zoom"_s, productivity},
            {u"com.strava.stravaride"_s, u"Strava"_s, health},
            {u"com.getsomeheadspace.headspace"_s, u"Headspace"_s, health},
            {u"com.calm.calmapp"_s, u"Calm"_s, health},
            {u"com.canva.canvaeditor"_s, u"Canva"_s, creativity},
            {u"com.supercell.clashofclans"_s, u"Clash of Clans"_s, games},
            {u"com.roblox.robloxmobile"_s, u"Roblox"_s, games},
            {u"com.nianticlabs.pokemongo"_s, u"Pokémon GO"_s, games},
            {u"com.king.candycrushsaga"_s, u"Candy Crush"_s, games},
    };
    return apps;
}

// Exact, case-sensitive lookup into knownApps(). Function-local statics are initialised once,
// thread-safely, and only read afterwards.
const QHash<QString, qsizetype> &knownIndex()
{
    static const QHash<QString, qsizetype> index = [] {
        QHash<QString, qsizetype> result;
        const QList<KnownApp> &apps = knownApps();
        result.reserve(apps.size());
        for (qsizetype i = 0; i < apps.size(); ++i)
            result.insert(apps.at(i).id, i);
        return result;
    }();
    return index;
}

// The first rule with a keyword in the text wins, so the order of the rules matters.
const QList<KeywordRule> &keywordRules()
{
    using enum AppCategory;
    static const QList<KeywordRule> rules = {
            {games,
             {u"game"_s, u"minecraft"_s, u"roblox"_s, u"supercell"_s, u"niantic"_s, u"candycrush"_s,
              u"chess"_s, u"puzzle"_s}},
            {money,
             {u"bank"_s, u"finance"_s, u"wallet"_s, u"invest"_s, u"paypal"_s, u"venmo"_s,
              u"coinbase"_s, u"fidelity"_s, u"capitalone"_s}},
            {health,
             {u"fitness"_s, u"health"_s, u"workout"_s, u"meditat"_s, u"strava"_s, u"peloton"_s,
              u"myfitnesspal"_s, u"sleep"_s}},
            {travel,
             {u"travel"_s, u"airline"_s, u"flight"_s, u"hotel"_s, u"airbnb"_s, u"uber"_s, u"lyft"_s,
              u"maps"_s, u"waze"_s, u"expedia"_s}},
            {shopping,
             {u"shop"_s, u"amazon"_s, u"ebay"_s, u"etsy"_s, u"target"_s, u"walmart"_s,
              u"doordash"_s, u"instacart"_s, u"grubhub"_s}},
            {social,
             {u"social"_s, u"instagram"_s, u"facebook"_s, u"messenger"_s, u"discord"_s, u"reddit"_s,
              u"tiktok"_s, u"whatsapp"_s, u"telegram"_s}},
            {entertainment,
             {u"music"_s, u"video"_s, u"netflix"_s, u"youtube"_s, u"spotify"_s, u"podcast"_s,
              u"hulu"_s, u"twitch"_s, u"audible"_s}},
            {creativity,
             {u"photo"_s, u"camera"_s, u"canva"_s, u"adobe"_s, u"procreate"_s, u"capcut"_s,
              u"design"_s, u"drawing"_s}},
            {productivity,
             {u"note"_s, u"calendar"_s, u"reminder"_s, u"task"_s, u"todo"_s, u"slack"_s,
              u"notion"_s, u"office"_s, u"mail"_s, u"chatgpt"_s, u"claude"_s, u"zoom"_s}},
            {utilities,
             {u"weather"_s, u"calculator"_s, u"clock"_s, u"password"_s, u"authenticator"_s,
              u"browser"_s, u"safari"_s, u"chrome"_s}},
    };
    return rules;
}

// Every keyword by its first two letters, so that one pass over a text finds all the keywords
// in it; the rules are matched against every app of a Home Screen, thousands at a time.
class KeywordIndex
{
public:
    struct Entry
    {
        qsizetype rule;
        QString keyword;
    };

    KeywordIndex()
    {
        const QList<KeywordRule> &rules = keywordRules();
        for (qsizetype rule = 0; rule < rules.size(); ++rule) {
            for (const QString &keyword : rules.at(rule).keywords) {
                Q_ASSERT(keyword.size() >= 2 && bucket(keyword.at(0), keyword.at(1)) >= 0);
                m_buckets[bucket(keyword.at(0), keyword.at(1))].append({rule, keyword});
            }
        }
    }

    // The first rule, in table order, that has a keyword anywhere in `text`.
    std::optional<AppCategory> firstMatch(QStringView text) const
    {
        const QList<KeywordRule> &rules = keywordRules();
        qsizetype best = rules.size();
        for (qsizetype i = 0; i + 1 < text.size() && best > 0; ++i) {
            const int b = bucket(text.at(i), text.at(i + 1));
            if (b < 0)
                continue;
            for (const Entry &entry : m_buckets[b]) {
                if (entry.rule < best && text.sliced(i).startsWith(entry.keyword))
                    best = entry.rule;
            }
        }
        if (best == rules.size())
            return std::nullopt;
        return rules.at(best).category;
    }

private:
    static constexpr int letters = 26;

    // Keywords are lower-case ASCII letters; any other pair starts none of them.
    static int bucket(QChar first, QChar second)
    {
        const auto letter
                = [](QChar c) { return c >= u'a' && c <= u'z' ? c.unicode() - u'a' : -1; };
        const int a = letter(first);
        const int b = letter(second);
        return a < 0 || b < 0 ? -1 : a * letters + b;
    }

    std::array<QList<Entry>, letters * letters> m_buckets;
};

std::optional<AppCategory> categoryByKeyword(const QString &id, const QString &name)
{
    static const KeywordIndex index;
    return index.firstMatch((id + u' ' + name).toLower());
}

bool isWebsite(const QString &id)
{
    return id.startsWith(u"https://"_s) || id.startsWith(u"http://"_s);
}

// A web clip is named by its host; any other identifier by its last dot-separated piece.
QString fallbackName(const QString &id, bool website)
{
    if (website) {
        const QUrl url(id);
        const QString host = url.isValid() ? url.host() : QString();
        return host.isEmpty() ? id : host;
    }
    // The last piece between dots that is not empty; dots alone make no piece.
    qsizetype end = id.size();
    while (end > 0 && id.at(end - 1) == u'.')
        --end;
    if (end == 0)
        return id;
    const qsizetype start = id.lastIndexOf(u'.', end - 1) + 1;
    return id.sliced(start, end - start);
}

} // namespace

bool AppCatalog::isKnown(const QString &id)
{
    return knownIndex().contains(id);
}

AppInfo AppCatalog::info(const QString &id, const AppNames &names,
                         const CategoryOverrides &overrides, const AppStoreAnswers &answers)
{
    const QHash<QString, qsizetype> &index = knownIndex();
    const auto knownIt = index.constFind(id);
    const KnownApp *known = knownIt == index.cend() ? nullptr : &knownApps().at(*knownIt);
    const bool website = isWebsite(id);
    const auto answerIt = answers.constFind(id);
    const AppStoreAnswer *answer = answerIt == answers.cend() ? nullptr : &*answerIt;

    AppInfo info{id, {}, AppCategory::other};
    if (const auto nameIt = names.constFind(id); nameIt != names.cend())
        info.name = *nameIt;
    else if (answer && !answer->name.isEmpty())
        info.name = answer->name;
    else if (known)
        info.name = known->name;
    else
        info.name = fallbackName(id, website);

    if (const auto overrideIt = overrides.constFind(id); overrideIt != overrides.cend())
        info.category = *overrideIt;
    else if (known)
        info.category = known->category;
    else if (website)
        info.category = AppCategory::websites;
    // A genre that means Other (Lifestyle, or one the table lacks) decides nothing.
    else if (answer && answer->category != AppCategory::other)
        info.category = answer->category;
    else
        info.category = categoryByKeyword(id, info.name).value_or(AppCategory::other);
    return info;
}

ParsedLayout AppCatalog::demo()
{
    const QStringList dock = {u"com.apple.mobilephone"_s, u"com.apple.MobileSMS"_s,
                              u"com.apple.mobilesafari"_s, u"com.spotify.client"_s};
    constexpr qsizetype appsPerPage = 20;

    // Sorted by the identifier read backwards: a fixed order that mixes vendors on every page.
    QList<std::pair<QString, QString>> others; // (reversed identifier, identifier)
    for (const KnownApp &app : knownApps()) {
        if (dock.contains(app.id))
            continue;
        QString reversed = app.id;
        std::reverse(reversed.begin(), reversed.end());
        others.append({reversed, app.id});
    }
    std::sort(others.begin(), others.end());

    Layout layout;
    LayoutPage dockPage;
    for (const QString &id : dock)
        dockPage.append(LayoutItem::app(id));
    layout.pages.append(dockPage);
    for (qsizetype start = 0; start < others.size(); start += appsPerPage) {
        LayoutPage page;
        for (qsizetype i = start; i < std::min(start + appsPerPage, others.size()); ++i)
            page.append(LayoutItem::app(others.at(i).second));
        layout.pages.append(page);
    }
    return {layout, {}};
}

bool AppCatalog::isWebClip(const QString &id)
{
    return isWebsite(id);
}
