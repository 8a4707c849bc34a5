#pragma once

// What the game leaves unstarted in the social client, checked after any
// run of the game: no achievement, leaderboard or offer buffer; no products
// request of the social client's own (every request the store saw is for the
// game's coin packs) and no product tokens; no data-sharing resolver and no
// cloud container looked up or document opened; no full social UI and no
// embedded view; and none of their keys in the data store.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "game/village/InAppPurchase.h"
#include "platform/CloudDocuments.h"
#include "social/queues/CCBuffers.h"
#include "social/services/CCDataSharing.h"
#include "social/data/CCDataStore.h"
#include "social/session/CCPrivateSession.h"
#include "social/services/CCStorePurchases.h"
#include "tests/support/ScriptedStore.h"

namespace mw::test {

inline void expectSocialPeripheryDormant(const ScriptedStore& store, const CloudDocuments& cloud)
{
    CCPrivateSession* session = CCPrivateSession::sharedInstance();
    ASSERT_NE(session, nullptr);
    EXPECT_EQ(session->achievementBuffer(), nullptr);
    EXPECT_EQ(session->offersBuffer(), nullptr);
    EXPECT_EQ(session->leaderboardBuffer(), nullptr);
    EXPECT_EQ(session->dataSharing(), nullptr) << "no resolver";

    std::vector<std::string> packs;
    for (int pack = 0; pack < InAppPurchase::kPackCount; ++pack) packs.push_back(InAppPurchase::productIdentifier(pack));
    for (const std::vector<std::string>& request : store.requests) {
        for (const std::string& id : request)
            EXPECT_NE(std::find(packs.begin(), packs.end(), id), packs.end()) << "a products request for " << id;
    }
    EXPECT_FALSE(CCSKProductInfo::checkForSharedInstance()) << "no products request of the social client";
    EXPECT_FALSE(CCSKTransactionHandler::checkForSharedInstance());

    EXPECT_EQ(cloud.containerLookups, 0);
    EXPECT_EQ(cloud.documentsOpened, 0);
    EXPECT_EQ(cloud.metadataQueriesStarted, 0);

    EXPECT_EQ(session->rootViewController(), nullptr) << "no full UI";
    EXPECT_FALSE(session->isLumoraUIActive());
    if (session->screenHooks().rootViewController) {
        EXPECT_EQ(session->screenHooks().rootViewController(), nullptr);
    }
    EXPECT_FALSE(session->isLumoraEmbeddedUIActive());
    EXPECT_EQ(session->embeddedViewController(), nullptr);

    CCDataStore* data = CCDataStore::sharedInstance();
    for (const char* key : {CCAchievementBuffer::kValuesKey, CCAchievementBuffer::kPopupsKey, CCOffersBuffer::kKey,
                            CCLeaderboardBuffer::kKey, CCLocalDataSharingStore::kKey})
        EXPECT_FALSE(data->containsKey(key)) << key;
    for (const std::string& pack : packs) {
        for (const char* suffix : {"_title", "_desc", "_curr"})
            EXPECT_EQ(data->textForToken(pack + suffix), std::nullopt) << pack << suffix;
    }
}

} // namespace mw::test
