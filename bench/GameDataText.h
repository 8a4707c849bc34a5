#pragma once

// A game-data file at the size of the full game's: 40 levels, 103 tutorial
// frames, 24 tile kinds, 24 resources, the settings and 143 upgrades with
// their cost lines, bonuses, effects and requirements. The same text on
// every run and machine. Shared by the benchmarks that read or save a game.

#include <cstdint>
#include <string>

#include "foundation/Format.h"

namespace mw::bench {

// A small fixed generator: the same file on every run and machine.
class Sequence {
public:
    uint32_t next(uint32_t bound)
    {
        state_ = state_ * 1664525u + 1013904223u;
        return (state_ >> 8) % bound;
    }

private:
    uint32_t state_ = 20240601u;
};

inline std::string flag(bool on)
{
    return on ? "\"true\"" : "\"false\"";
}

inline std::string gameDataText()
{
    Sequence random;
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<GameData>\n  <Levels>\n";
    for (int level = 0, points = 0; level < 40; ++level, points += 50 + 25 * level) {
        xml += mw::format("    <Level Points=\"%d\" Nagroda=\"%d\"/>\n", points, 10 * level);
    }
    xml += "  </Levels>\n  <TutorialFrames>\n";
    for (int frame = 0; frame <= 102; ++frame) {
        xml += mw::format(
            "    <TutorialFrame ID=\"%d\" Name=\"TUTORIAL_FRAME_%d\" IconPng=\"icon_%d.png\" "
            "WorkerIcon=\"worker_%d.png\" AdditionaNumber=\"%d\" CollectibleID=\"%d\" bOnlyText=%s "
            "bSingleIcon=%s bCollectible=%s bResource=%s",
            frame, frame, random.next(40), random.next(6), random.next(30), 1 + random.next(24),
            flag(random.next(4) == 0).c_str(), flag(random.next(4) == 0).c_str(),
            flag(random.next(4) == 0).c_str(), flag(random.next(4) == 0).c_str());
        for (int placement = 1; placement <= 6; ++placement) {
            xml += mw::format(" bPlacement%d=%s", placement, flag(random.next(6) == 0).c_str());
        }
        xml += "/>\n";
    }
    xml += "  </TutorialFrames>\n  <Collectibles>\n";
    for (int kind = 1; kind <= 24; ++kind) {
        xml += mw::format(
            "    <Collectible ID=\"%d\" Name=\"kind_%d\" MineAvailable=%s FieldAvailable=%s "
            "PngName=\"tile_%d\" PngNameSpring=\"tile_%d_spring\" PngNameSummer=\"tile_%d_summer\" "
            "PngNameAutumn=\"tile_%d_autumn\" PngNameWinter=\"tile_%d_winter\" "
            "NextCollectibleCount=\"%d\" NextCollectible=\"%d\" NextResourceCount=\"%d\" "
            "NextResource=\"%d\" MinGroup=\"%d\" Probability=\"%d.5\" ProbSpring=\"%d\" "
            "ProbSummer=\"%d\" ProbAutumn=\"%d\" ProbWinter=\"%d\" MovesTime=%s IsAnimated=%s "
            "ConstAnim=%s Points=\"%d\" PointsColl=\"%d\">\n",
            kind, kind, flag(kind <= 9).c_str(), flag(kind > 9).c_str(), kind, kind, kind, kind, kind,
            8 + random.next(20), 1 + random.next(24), 3 + random.next(10), 1 + random.next(17),
            3 + random.next(2), random.next(30), random.next(25), random.next(25), random.next(25),
            random.next(25), flag(random.next(2) == 0).c_str(), flag(random.next(3) == 0).c_str(),
            flag(random.next(5) == 0).c_str(), random.next(10), 1 + random.next(3));
        xml += "      <ConnGroup>\n";
        xml +=
            mw::format("        <ConnGroupS Name=\"%s\"/>\n", random.next(2) ? "RABBIT_GRASS" : "WOLF_WOOD");
        xml += "      </ConnGroup>\n    </Collectible>\n";
    }
    xml += "  </Collectibles>\n  <Resources>\n";
    for (int resource = 1; resource <= 24; ++resource) {
        xml +=
            mw::format("    <Resource ID=\"%d\" Name=\"RESOURCE_%d\" PngName=\"resource_%d\" Value=\"%d\" "
                       "ValueSell=\"%d\" MineAvailable=%s FieldAvailable=%s MicroTrans=%s SpecialResource=%s "
                       "AtStart=\"%d\" GenerateFood=%s Moves=\"%d\" Points=\"%d\"/>\n",
                       resource, resource, resource, 10 + random.next(200), 5 + random.next(100),
                       flag(resource % 2 == 0).c_str(), flag(resource % 2 == 1).c_str(),
                       flag(resource >= 19).c_str(), flag(false).c_str(), random.next(5),
                       flag(resource <= 6).c_str(), resource <= 6 ? 3 + random.next(5) : 0, random.next(8));
    }
    xml += "  </Resources>\n";
    xml +=
        "  <Settings SeasonTime=\"6\" MineFood=\"30\" RatJump=\"20\" WolfJump=\"15\" MovesPerFood=\"5\" "
        "MicroGoldCount1=\"100\" MicroGoldCount2=\"250\" MicroGoldCount3=\"600\" MicroGoldCount4=\"1300\" "
        "MicroGoldCount5=\"3000\" MicroGoldCount6=\"8000\" GoldLevel1=\"10\" GoldLevel2=\"20\" "
        "GoldLevel3=\"35\" GoldLevel4=\"50\" GoldLevel5=\"75\" GoldLevel6=\"100\" TaxTimeH=\"1\" "
        "TaxTimeM=\"30\" TaxTimeS=\"0\" MineBMovesPrice=\"25\" FieldSavePrice=\"40\" KanapkaMoves=\"10\"/>\n";
    xml += "  <Upgrades>\n";
    for (int upgrade = 1; upgrade <= 143; ++upgrade) {
        const int type = 2 + static_cast<int>(random.next(3));
        xml += mw::format(
            "    <Upgrade ID=\"%d\" Name=\"UPGRADE_%d\" PngName=\"upgrade_%d\" Type=\"%d\" "
            "ReqLevel=\"%d\" NextUpdateIndex=\"%d\" StageQuantity=\"%d\" IsMine=%s IsField=%s "
            "Hidden=%s Priorytet=\"%d\" Points=\"%d\" Money=\"%d\" GroupNumber=\"%d\" Animated=%s "
            "BonusTime=\"%d\" BonusMoney=\"%d\">\n",
            upgrade, upgrade, upgrade, type, 1 + random.next(20), random.next(3) ? 0 : 1 + random.next(143),
            1 + random.next(5), flag(random.next(2) == 0).c_str(), flag(random.next(2) == 0).c_str(),
            flag(random.next(6) == 0).c_str(), random.next(3000), random.next(100), random.next(5000),
            random.next(12), flag(random.next(4) == 0).c_str(), 600 * random.next(12), random.next(200));
        xml += "      <ResourceItems>\n";
        for (uint32_t line = 0, lines = 1 + random.next(4); line < lines; ++line) {
            xml += mw::format("        <ResourceItem ID=\"%d\" Quantity=\"%d\"/>\n", 1 + random.next(17),
                              1 + random.next(20));
        }
        xml += "      </ResourceItems>\n";
        if (type == 2) {
            xml += "      <BonusResources>\n";
            for (uint32_t bonus = 0, count = random.next(4); bonus < count; ++bonus) {
                xml += mw::format("        <BonusResource ID=\"%d\"/>\n", 1 + random.next(17));
            }
            xml += "      </BonusResources>\n      <BonusTools>\n";
            for (uint32_t bonus = 0, count = random.next(2); bonus < count; ++bonus) {
                xml += mw::format("        <BonusTool ID=\"%d\"/>\n", 1 + random.next(143));
            }
            xml += "      </BonusTools>\n";
        }
        xml += "      <Actions>\n";
        for (uint32_t action = 0, count = random.next(3); action < count; ++action) {
            xml += mw::format("        <ActionItem Type=\"%d\" Name=\"effect %d\" Probability=\"%d\" "
                              "ProbAutumn=\"%d\" ProbSpring=\"%d\" ProbSummer=\"%d\" ProbWinter=\"%d\" "
                              "Value=\"%d\" Value2=\"%d\" ID=\"%d\"/>\n",
                              random.next(24), action, random.next(10), random.next(10), random.next(10),
                              random.next(10), random.next(10), 1 + random.next(24), random.next(10),
                              1 + random.next(24));
        }
        xml += "      </Actions>\n      <ReqUpgrades>\n";
        for (uint32_t required = 0, count = random.next(3); required < count; ++required) {
            xml += mw::format("        <ReqUpgradeItem ID=\"%d\"/>\n", 1 + random.next(143));
        }
        xml += "      </ReqUpgrades>\n    </Upgrade>\n";
    }
    xml += "  </Upgrades>\n</GameData>\n";
    return xml;
}

} // namespace mw::bench
