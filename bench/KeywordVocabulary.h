// The words pictures are tagged with, drawn with realistic frequencies, and the event and
// place names of holiday folders: shared by the benchmarks that build large collections.
#pragma once

#include <algorithm>
#include <random>
#include <string>
#include <string_view>
#include <vector>

// What people tag their pictures with: names, places, occasions, subjects, years ("|" apart).
inline constexpr std::string_view vocabularyText =
    "Anna|Tom|Maria|Peter|Lisa|Max|Sophie|Paul|Emma|Lukas|Julia|Felix|Laura|Jonas|Sarah|"
    "David|Lena|Michael|Kathrin|Thomas|Grandma|Grandpa|Mum|Dad|Uncle Joe|Aunt Mary|baby|kids|"
    "friends|family|colleagues|neighbours|Paris|Rome|London|Berlin|Vienna|Venice|Florence|"
    "Barcelona|Madrid|Lisbon|Prague|Budapest|Amsterdam|Brussels|Zurich|Munich|Hamburg|"
    "Copenhagen|Stockholm|Oslo|Helsinki|Dublin|Edinburgh|Athens|Crete|Sicily|Tuscany|"
    "Provence|Normandy|Bavaria|Alps|Dolomites|Lake Garda|Black Forest|New York|San Francisco|"
    "Los Angeles|Chicago|Boston|Seattle|Vancouver|Toronto|Montreal|Mexico|Tokyo|Kyoto|Osaka|"
    "Beijing|Shanghai|Hong Kong|Singapore|Bangkok|Bali|Sydney|Melbourne|Auckland|Cape Town|"
    "Cairo|Marrakesh|Istanbul|Iceland|Norway|Scotland|Ireland|Greece|Italy|Spain|France|"
    "Germany|Austria|Switzerland|Japan|Canada|USA|Australia|Köln|Málaga|São Paulo|Kraków|"
    "home|garden|office|school|church|hotel|airport|station|harbour|museum|holiday|vacation|"
    "birthday|wedding|Christmas|Easter|New Year|party|graduation|anniversary|baptism|concert|"
    "festival|carnival|barbecue|picnic|trip|weekend|camping|hiking|skiing|sailing|diving|"
    "cycling|swimming|football|tennis|golf|marathon|reunion|visit|moving house|renovation|"
    "first day at school|school trip|exhibition|conference|workshop|dinner|lunch|breakfast|"
    "beach|Beach|sea|ocean|lake|river|mountain|mountains|forest|desert|island|waterfall|"
    "glacier|volcano|sunset|SUNSET|sunrise|sky|clouds|rain|snow|winter|spring|summer|autumn|"
    "fog|storm|rainbow|stars|moon|night|flowers|tree|trees|roses|tulips|leaves|grass|field|"
    "meadow|park|cat|dog|puppy|kitten|horse|bird|birds|duck|fish|butterfly|zoo|animals|cow|"
    "sheep|car|bike|train|boat|ship|plane|bridge|tower|castle|palace|cathedral|ruins|street|"
    "market|city|village|skyline|building|architecture|house|kitchen|living room|cake|food|"
    "wine|beer|coffee|ice cream|pizza|presents|balloons|candles|fireworks|Christmas tree|"
    "snowman|toys|portrait|landscape|macro|panorama|black and white|selfie|group photo|"
    "close-up|aerial|scan|old photos|slides|negatives|screenshot|favourite|best of|to print|"
    "album|to sort|private|work|documents|wallpaper|HDR|film|polaroid|1999|2000|2001|2002|"
    "2003|2004|2005|a very long keyword that is longer than its field allows";

inline constexpr const char* events[] = {
    "Holiday",      "Urlaub",    "Summer",        "Ski trip",
    "Weekend",      "Christmas", "Birthday Anna", "Wedding Tom & Lisa",
    "Family visit", "Easter"};
inline constexpr const char* places[] = {"Rome",  "Paris",        "Lake Garda", "San Francisco",
                                         "Crete", "Black Forest", "Tuscany",    "Zurich",
                                         "Kyoto", "Normandy"};

// Draws words with frequency proportional to 1 / rank over a shuffled vocabulary.
class CZipfWords {
public:
    explicit CZipfWords(std::mt19937_64& random) {
        for (std::size_t at = 0; at <= vocabularyText.size();) {
            std::size_t bar = std::min(vocabularyText.find('|', at), vocabularyText.size());
            m_order.emplace_back(vocabularyText.substr(at, bar - at));
            at = bar + 1;
        }
        std::shuffle(m_order.begin(), m_order.end(), random);
        double total = 0;
        for (std::size_t rank = 1; rank <= m_order.size(); ++rank) {
            total += 1.0 / rank;
            m_cumulative.push_back(total);
        }
    }
    std::string_view Draw(std::mt19937_64& random) const {
        std::uniform_real_distribution<double> uniform(0, m_cumulative.back());
        auto at = std::upper_bound(m_cumulative.begin(), m_cumulative.end(), uniform(random));
        auto rank = std::min<std::size_t>(at - m_cumulative.begin(), m_order.size() - 1);
        return m_order[rank];
    }

private:
    std::vector<std::string_view> m_order;
    std::vector<double> m_cumulative;
};
