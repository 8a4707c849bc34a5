// Checks the bundle's sound sets and sound files: every key the screens play
// is loaded in each scene that plays it (following the real order of set loads
// and unloads), and every named file decodes the way the audio engine reads it.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "audio/CDAudioConstants.h"
#include "audio/CDAudioData.h"
#include "foundation/Paths.h"
#include "game/state/Collectible.h"
#include "game/state/DataParser.h"
#include "game/state/GlobalObject.h"
#include "game/state/Profile.h"
#include "platform/AudioDecoder.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/SharedInstances.h"
#include "tests/support/TempDir.h"

namespace mw {
namespace {

// Where a sound plays. The menu and the village share a sound set; they are
// told apart only to say where a key failed.
enum Scene : unsigned { kMenu = 1, kVillage = 2, kMine = 4, kField = 8 };
constexpr unsigned kBoards = kMine | kField;
constexpr unsigned kEverywhere = kMenu | kVillage | kMine | kField;

const char* sceneName(unsigned scene)
{
    switch (scene) {
    case kMenu: return "main menu";
    case kVillage: return "village";
    case kMine: return "mine";
    default: return "fields";
    }
}

struct PlayedKey {
    std::string key;
    unsigned scenes;
    bool looped = false;
};

// Every key the code plays and the scenes it plays in. The tile kinds' keys
// come from the game data (see playedKeys()).
const std::vector<PlayedKey>& codeKeys()
{
    static const std::vector<PlayedKey> keys = {
        // every button, also in the options and coin-pack pop-ups on a board
        {"selection_menu", kEverywhere},
        {"achievement", kEverywhere},
        // chain drawing, moves counter, tools, resource panel, session end
        {"selection_normal", kBoards},
        {"selection_error", kBoards},
        {"selection_accent", kBoards},
        {"123_final_moves", kBoards},
        {"tool_no_use", kBoards},
        {"resource_gain", kBoards},
        {"zakonczenie_pol", kBoards},
        {"level_up", kBoards | kVillage},
        // gas and the mine's tools
        {"methan_explosion", kMine},
        {"methane", kMine},
        {"TOOL_LUNCHBOX", kMine},
        {"TOOL_COAL_TO_SILVER", kMine},
        {"TOOL_SILVER_TO_COAL", kMine},
        {"TOOL_DRILL", kMine},
        // animals and the field's tools
        {"rat_jump", kField},
        {"wolf_jump", kField},
        {"TOOL_RAT", kField},
        {"TOOL_WOLF", kField},
        {"TOOL_COMPOST", kField},
        {"TOOL_SAMPLING", kField},
        {"TOOL_GRASS_GRAIN", kField},
        // building tooltips in the village; also tile kinds of the fields
        {"chicken", kVillage | kField},
        {"pig", kVillage | kField},
        {"cow", kVillage | kField},
        // menu and village
        {"selection_buy", kVillage},
        {"selection_build_longer", kVillage},
        {"loader_close", kMenu | kVillage},
        {"loader_open", kMenu | kVillage},
        {"intro1", kMenu},
        {"intro2", kMenu},
        {"intro3", kMenu},
        {"intro4", kMenu},
        {"bonus_collect", kVillage},
        {"bonus_fall", kVillage},
        {"bonus_final", kVillage},
        {"experience_points_bar", kVillage, true},
        {"collect_tax", kVillage},
        {"worker1", kVillage},
        {"worker2", kVillage},
        {"game_end", kVillage},
    };
    return keys;
}

const char* const kSetNames[] = {"kMenuScene", "kMineScene", "kFieldScene", "kCommon"};

// Samples of a decoded 16-bit file, for listening by numbers.
struct Pcm {
    std::vector<int16_t> samples; // interleaved
    int channels = 1;
    int rate = 0;

    double seconds() const { return double(samples.size()) / channels / rate; }
    double peak() const
    {
        int largest = 0;
        for (int16_t v : samples) largest = std::max(largest, std::abs(int(v)));
        return largest / 32768.0;
    }
    double at(size_t frame, int channel) const { return samples[frame * channels + channel] / 32768.0; }
    size_t frames() const { return samples.size() / channels; }
};

Pcm pcmOf(const std::vector<uint8_t>& bytes, int channels, int rate)
{
    Pcm pcm;
    pcm.channels = channels;
    pcm.rate = rate;
    pcm.samples.resize(bytes.size() / 2);
    std::memcpy(pcm.samples.data(), bytes.data(), pcm.samples.size() * 2);
    return pcm;
}

// A loop clicks where the jump from its last frame to its first is larger
// than any step inside it.
void expectSeamlessLoop(const Pcm& pcm, const std::string& what)
{
    ASSERT_GT(pcm.frames(), 2u) << what;
    for (int c = 0; c < pcm.channels; ++c) {
        double inner = 0.0;
        for (size_t i = 1; i < pcm.frames(); ++i) inner = std::max(inner, std::abs(pcm.at(i, c) - pcm.at(i - 1, c)));
        const double seam = std::abs(pcm.at(0, c) - pcm.at(pcm.frames() - 1, c));
        EXPECT_LE(seam, inner) << what << ": the loop jumps by " << seam << " at its seam (channel " << c << ")";
    }
}

class SoundSetTest : public ::testing::Test {
protected:
    SoundSetTest()
    {
        test::resetSharedInstances();
        global = makeRef<GlobalObject>(CGSize{640, 960});
    }
    ~SoundSetTest() override
    {
        global->Stop();
        test::resetSharedInstances();
    }

    // The code's keys plus the name of every tile kind of the bundled game
    // data, which plays in the boards that show the kind.
    std::vector<PlayedKey> playedKeys()
    {
        std::vector<PlayedKey> keys = codeKeys();
        DataParser parser;
        EXPECT_TRUE(parser.parseData(DataParser::bundledGameDataPath())) << "test.xml does not load";
        for (int32_t kind = 1; kind <= 24; ++kind) {
            const Collectible* record = Profile::sharedInstance()->GetCollectible(kind);
            if (!record) {
                ADD_FAILURE() << "test.xml: no tile kind " << kind;
                continue;
            }
            const unsigned scenes = (record->isMineAvailable ? kMine : 0u) | (record->isFieldAvailable ? kField : 0u);
            auto same = std::find_if(keys.begin(), keys.end(), [&](const PlayedKey& k) { return k.key == record->name; });
            if (same != keys.end()) same->scenes |= scenes;
            else keys.push_back({record->name, scenes});
        }
        return keys;
    }

    // The scenes in which the sets hold the key loaded on every visit. Each
    // walk starts the game afresh and follows its scene switches; a board
    // entered first sees only its own set and kCommon, while a set left behind
    // on the way back to the village stays loaded for later boards.
    std::map<std::string, unsigned> loadedScenes(const std::vector<PlayedKey>& keys)
    {
        const std::vector<std::vector<int32_t>> walks = {{1, 0, 2, 0, 1, 0}, {2, 0, 1, 0}};
        std::map<std::string, unsigned> missed;
        for (const std::vector<int32_t>& walk : walks) {
            Ref<GlobalObject> g = makeRef<GlobalObject>(CGSize{640, 960});
            g->AudioState = GlobalObject::kAudioReady; // no engine: the sets' bookkeeping only
            auto note = [&](unsigned scene) {
                for (const PlayedKey& k : keys) {
                    if (!g->SoundEffectsState[k.key].asBool()) missed[k.key] |= scene;
                }
            };
            g->LoadAudioFor(3);
            g->LoadAudioFor(0);
            note(kMenu | kVillage);
            for (int32_t set : walk) {
                const int32_t old = g->CurrentSceneId;
                g->LoadAudioFor(set);
                if (old >= 0) g->UnloadAudioFor(old);
                note(set == 1 ? kMine : set == 2 ? kField : kVillage);
            }
            g->Stop();
        }
        std::map<std::string, unsigned> loaded;
        for (const PlayedKey& k : keys) loaded[k.key] = kEverywhere & ~missed[k.key];
        return loaded;
    }

    Ref<GlobalObject> global;
    test::TempDir home; // no sound sets in the documents folder
    test::ScopedEnv homeEnv{"MOSSWICK_HOME", home.path()};
};

TEST_F(SoundSetTest, TheFourSetsHoldEachKeyOnceAndEachFileOnce)
{
    std::map<std::string, std::vector<std::string>> setsOfKey;
    std::map<std::string, std::string> keyOfFile;
    for (int32_t id = 0; id < 4; ++id) {
        const Value set = global->GetSoundEffectListForSceneWithID(id);
        ASSERT_TRUE(set.isDict()) << "SoundEffects.plist: no set " << kSetNames[id];
        EXPECT_FALSE(set.empty()) << "SoundEffects.plist: set " << kSetNames[id] << " is empty";
        for (const auto& [key, file] : set.asDict()) {
            setsOfKey[key].push_back(kSetNames[id]);
            EXPECT_TRUE(file.isString() && !file.asString().empty())
                << "SoundEffects.plist: " << kSetNames[id] << "/" << key << " names no file";
            if (!file.isString()) continue;
            auto [it, fresh] = keyOfFile.emplace(file.asString(), key);
            // Unloading one key's set would unload the other key's sound too.
            EXPECT_TRUE(fresh || it->second == key)
                << "SoundEffects.plist: " << file.asString() << " is named by both " << it->second << " and " << key;
        }
    }
    for (const auto& [key, sets] : setsOfKey) {
        EXPECT_EQ(sets.size(), 1u) << "SoundEffects.plist: " << key << " stands in " << sets.size()
                                   << " sets (first " << sets.front() << ", then " << sets.back() << ")";
    }
    // A set under any other name would be merged but never loaded.
    for (const auto& [key, file] : global->ListOfSoundEffectFiles.asDict()) {
        EXPECT_TRUE(setsOfKey.count(key)) << "SoundEffects.plist: " << key << " stands in no set the game loads";
    }
}

TEST_F(SoundSetTest, EveryPlayedKeyIsLoadedInEverySceneThatPlaysIt)
{
    const std::vector<PlayedKey> keys = playedKeys();
    const std::map<std::string, unsigned> loaded = loadedScenes(keys);
    (void)global->GetSoundEffectListForSceneWithID(0);
    for (const PlayedKey& k : keys) {
        EXPECT_TRUE(global->ListOfSoundEffectFiles.asDict().contains(k.key))
            << "SoundEffects.plist: no sound for key " << k.key;
        EXPECT_NE(k.scenes, 0u) << "test.xml: tile kind " << k.key << " shows on no board";
        const unsigned have = loaded.count(k.key) ? loaded.at(k.key) : 0u;
        for (unsigned scene : {kMenu, kVillage, kMine, kField}) {
            if (k.scenes & scene) {
                EXPECT_TRUE(have & scene) << "SoundEffects.plist: " << k.key << " plays in the " << sceneName(scene)
                                          << " but its set is not loaded there";
            }
        }
    }
}

TEST_F(SoundSetTest, EveryNamedFileDecodesAsTheEngineReadsIt)
{
    std::set<std::string> looped;
    for (const PlayedKey& k : codeKeys()) {
        if (k.looped) looped.insert(k.key);
    }
    (void)global->GetSoundEffectListForSceneWithID(0);
    const Value files = global->ListOfSoundEffectFiles;
    ASSERT_FALSE(files.empty()) << "SoundEffects.plist: no sounds";
    for (const auto& [key, fileValue] : files.asDict()) {
        const std::string file = fileValue.asString();
        const std::string what = file + " (key " + key + ")";
        const std::string path = Paths::pathForResource(file);
        if (path.empty() || !Paths::fileExists(path)) {
            ADD_FAILURE() << what << ": no such file in the bundle";
            continue;
        }
        // The effects engine's own loader (stored PCM for ".wav").
        const std::optional<CDAudioData> data = CDGetOpenALAudioData(path);
        if (!data) {
            ADD_FAILURE() << what << ": does not decode";
            continue;
        }
        const bool stereo = data->format == kCDFormatStereo16;
        EXPECT_TRUE(data->format == kCDFormatMono16 || stereo) << what << ": not 16-bit PCM";
        if (data->format != kCDFormatMono16 && !stereo) continue;
        const Pcm pcm = pcmOf(data->bytes, stereo ? 2 : 1, data->frequency);
        EXPECT_GE(pcm.seconds(), 0.05) << what << ": too short to hear";
        EXPECT_LE(pcm.seconds(), 2.0) << what << ": too long for an effect";
        EXPECT_GE(pcm.peak(), 0.1) << what << ": (nearly) silent";
        if (looped.count(key)) {
            expectSeamlessLoop(pcm, what);
        } else if (pcm.frames() > 0) {
            // A one-shot starts and ends at rest, or it clicks.
            for (int c = 0; c < pcm.channels; ++c) {
                EXPECT_LT(std::abs(pcm.at(0, c)), 0.02) << what << ": starts with a click";
                EXPECT_LT(std::abs(pcm.at(pcm.frames() - 1, c)), 0.02) << what << ": ends with a click";
            }
        }
    }
}

TEST_F(SoundSetTest, MusicLoopsForHalfAMinuteAndTheNotificationJingleDecodes)
{
    struct Case {
        const char* file;
        double minSeconds;
        double maxSeconds;
        bool loop;
    };
    const Case cases[] = {
        {"sound_farm1.aac", 30.0, 300.0, true},
        {"sound_farm1_old.aac", 30.0, 300.0, true},
        {"mine_ambient.aac", 30.0, 300.0, true},
        {"money_fields.wav", 0.2, 30.0, false}, // the platform's limit for a notification sound
    };
    for (const Case& c : cases) {
        const std::string path = Paths::pathForResource(c.file);
        if (path.empty() || !Paths::fileExists(path)) {
            ADD_FAILURE() << c.file << ": no such file in the bundle";
            continue;
        }
        // The background-music player's decoding.
        const std::optional<DecodedAudio> audio = decodeAudioFile(path, AudioSampleKind::Signed16);
        if (!audio) {
            ADD_FAILURE() << c.file << ": does not decode";
            continue;
        }
        ASSERT_EQ(audio->format.bitsPerSample, 16) << c.file;
        const Pcm pcm = pcmOf(audio->pcm, audio->format.channels, audio->format.sampleRate);
        EXPECT_GE(pcm.seconds(), c.minSeconds) << c.file << ": too short";
        EXPECT_LE(pcm.seconds(), c.maxSeconds) << c.file << ": too long";
        EXPECT_GE(pcm.peak(), 0.1) << c.file << ": (nearly) silent";
        if (c.loop) expectSeamlessLoop(pcm, c.file);
    }
}

} // namespace
} // namespace mw
