"""Texts of the screens: menus, options, store, boards, summaries, lists,
statistics, notifications, credits and the end of the game.

Every entry is KEY: (English, German, Polish). Screens that format a text
with the village name or a number are noted beside the key.
"""

MAIN_MENU = {
    "WELCOME_TEXT": ("Welcome!", "Willkommen!", "Witaj!"),
    "MM_CONTINUE": ("Continue", "Weiter", "Dalej"),
    "MM_NEW_GAME": ("New game", "Neues Spiel", "Nowa gra"),
    "MM_OPTIONS": ("Options", "Optionen", "Opcje"),
    "MM_NAME_VILLAGE": ("Name your village", "Wie soll dein Dorf heißen?", "Nazwij swoją osadę"),
    "MM_RENAME_VILLAGE": ("Rename your village", "Dorf umbenennen", "Zmień nazwę osady"),
    "MAX_11": ("Up to 11 characters", "Höchstens 11 Zeichen", "Maksymalnie 11 znaków"),
    "MAX_WARNING": ("Name not accepted", "Name ungültig", "Nieprawidłowa nazwa"),
    "MAX_INFO": ("A village name needs 1 to 11 characters.",
                 "Der Name muss 1 bis 11 Zeichen lang sein.",
                 "Nazwa musi mieć od 1 do 11 znaków."),
    "BUTTON_CANCEL": ("Cancel", "Abbrechen", "Anuluj"),
    "BUTTON_OK": ("OK", "OK", "OK"),
}

# Alerts about the player's save: one that could not be read (moved aside, or
# left where it is, and never written over by a new game), one that could not
# be written, and a new game's that is not written because the save it did
# not load could not be set aside.
SAVE_ALERTS = {
    "SAVE_UNREADABLE_HEAD": ("Saved village unreadable", "Spielstand nicht lesbar", "Zapis osady nieczytelny"),
    "SAVE_UNREADABLE_TEXT": ("Your saved village could not be read. It has been kept aside, "
                             "and a new game will not write over it.",
                             "Dein gespeichertes Dorf konnte nicht gelesen werden. Es wurde beiseitegelegt, "
                             "und ein neues Spiel überschreibt es nicht.",
                             "Nie udało się odczytać zapisanej osady. Została odłożona na bok "
                             "i nowa gra jej nie nadpisze."),
    "SAVE_UNREADABLE_LEFT_TEXT": ("Your saved village could not be read. It stays where it is, "
                                  "and a new game will set it aside, never write over it.",
                                  "Dein gespeichertes Dorf konnte nicht gelesen werden. Es bleibt, wo es ist, "
                                  "und ein neues Spiel legt es beiseite, statt es zu überschreiben.",
                                  "Nie udało się odczytać zapisanej osady. Pozostaje na swoim miejscu, "
                                  "a nowa gra odłoży ją na bok, nigdy jej nie nadpisze."),
    "SAVE_FAILED_HEAD": ("Village not saved", "Dorf nicht gespeichert", "Nie zapisano osady"),
    "SAVE_FAILED_TEXT": ("Your village could not be saved: the disk may be full, or writing not allowed. "
                         "Your last save is kept, and the game tries again at the next save.",
                         "Dein Dorf konnte nicht gespeichert werden: Der Speicher ist vielleicht voll, "
                         "oder Schreiben ist nicht erlaubt. Der letzte Spielstand bleibt erhalten, "
                         "und das Spiel versucht es beim nächsten Speichern erneut.",
                         "Nie udało się zapisać osady: być może dysk jest pełny albo zapis jest zabroniony. "
                         "Ostatni zapis pozostaje, a gra spróbuje ponownie przy następnym zapisie."),
    "SAVE_NOT_SET_ASIDE_HEAD": ("New village not saved", "Neues Dorf nicht gespeichert",
                                "Nie zapisano nowej osady"),
    "SAVE_NOT_SET_ASIDE_TEXT": ("Your earlier saved village could not be set aside, so this new village is "
                                "not saved: it would write over the earlier one, which stays as it was.",
                                "Dein früheres Dorf konnte nicht beiseitegelegt werden. Darum wird dieses neue "
                                "Dorf nicht gespeichert: Es würde das frühere überschreiben, das erhalten bleibt.",
                                "Nie udało się odłożyć na bok wcześniejszej osady, więc nowa osada nie jest "
                                "zapisywana: nadpisałaby wcześniejszą, która pozostaje bez zmian."),
}

# The intro pages: "<village> INTRO_01", INTRO_02, INTRO_03, "INTRO_04 <village>.".
INTRO = {
    "INTRO_01": ("is only a clearing in the forest, with one little hut.",
                 "ist nur eine Lichtung im Wald, mit einer kleinen Hütte.",
                 "– na razie to tylko polana w lesie i jedna mała chatka."),
    "INTRO_02": ("But the soil is rich, and the hills hide coal, silver and gold.",
                 "Doch der Boden ist fruchtbar, und in den Hügeln warten Kohle, Silber und Gold.",
                 "Ale ziemia jest żyzna, a wzgórza kryją węgiel, srebro i złoto."),
    "INTRO_03": ("Farm the fields, dig the mine and build – one day a castle will stand here.",
                 "Bestelle die Felder, grabe in der Mine und baue – eines Tages steht hier eine Burg.",
                 "Uprawiaj pola, kop w kopalni i buduj – pewnego dnia stanie tu zamek."),
    "INTRO_04": ("Welcome home to", "Willkommen daheim in", "Witaj w domu, w osadzie"),
}

OPTIONS = {
    "BUTTON_RESET": ("Reset", "Neustart", "Od nowa"),
    "BUTTON_CLOUD": ("Cloud", "Cloud", "Chmura"),
    "MAIN_MENU_ID": ("Main menu", "Hauptmenü", "Menu główne"),
    "BUTTON_ABOUT": ("About", "Info", "O grze"),
    "BUTTON_YES": ("Yes", "Ja", "Tak"),
    "BUTTON_NO": ("No", "Nein", "Nie"),
    "TARVO_TOS_BUTTON": ("Terms", "AGB", "Regulamin"),
    "TARVO_PP_BUTTON": ("Privacy", "Datenschutz", "Prywatność"),
    "TARVO_EULA_BUTTON": ("Licence", "Lizenz", "Licencja"),
    "CREDITS_BUTTON": ("Credits", "Mitwirkende", "Twórcy"),
    "TARVO_TEXT": ("Build a village, farm its fields and dig its mine. Thank you for playing! "
                   "The buttons below open our terms, privacy policy and licence.",
                   "Baue ein Dorf, bestelle seine Felder und grabe in seiner Mine. Danke fürs Spielen! "
                   "Unten findest du unsere AGB, den Datenschutz und die Lizenz.",
                   "Zbuduj osadę, uprawiaj pola i kop w kopalni. Dziękujemy za grę! "
                   "Poniżej znajdziesz regulamin, politykę prywatności i licencję."),
    "CLOUD_TEXT": ("Keep a copy of your village in the cloud?",
                   "Eine Kopie deines Dorfes in der Cloud speichern?",
                   "Zapisywać kopię osady w chmurze?"),
    "RESET_TEXT": ("Start over? Your village and all progress will be lost.",
                   "Von vorn beginnen? Dein Dorf und aller Fortschritt gehen verloren.",
                   "Zacząć od nowa? Osada i cały postęp przepadną."),
    "RESET_HOLD": ("Hold Yes for 3 seconds to confirm.",
                   "Zum Bestätigen Ja 3 Sek. halten.",
                   "Przytrzymaj Tak przez 3 sekundy."),
}

STORE = {
    "IAP_NO_PERMISSION": ("Purchases are turned off on this device.",
                          "Käufe sind auf diesem Gerät deaktiviert.",
                          "Zakupy są wyłączone na tym urządzeniu."),
    "IAP_IN_PROGRESS": ("Purchase in progress…", "Kauf läuft …", "Trwa zakup…"),
    "IAP_CANCELLED": ("The purchase was cancelled.", "Der Kauf wurde abgebrochen.",
                      "Zakup został anulowany."),
    "IAP_CONNECTING": ("Connecting to the store…", "Verbinde mit dem Store …", "Łączenie ze sklepem…"),
    "IAP_HEAD": ("Thank you!", "Vielen Dank!", "Dziękujemy!"),
    "IAP_TEXT": ("The gold is in your chest.", "Das Gold liegt in deiner Truhe.", "Złoto jest już w skrzyni."),
    "BUTTON_BUY": ("Buy", "Kaufen", "Kup"),
    "BUTTON_SELL": ("Sell", "Verkaufen", "Sprzedaj"),
}

RATING = {
    "RATE_HEAD": ("Enjoying Mosswick?", "Gefällt dir Mosswick?", "Podoba ci się Mosswick?"),
    "RATE_TEXT": ("If you like the game, please take a moment to rate it. Thank you for your support!",
                  "Wenn dir das Spiel gefällt, nimm dir bitte kurz Zeit für eine Bewertung. Danke für deine Unterstützung!",
                  "Jeśli gra ci się podoba, poświęć chwilę na jej ocenę. Dziękujemy za wsparcie!"),
    "RATE_NO": ("No, thanks", "Nein, danke", "Nie, dziękuję"),
    "RATE_YES": ("Rate now", "Jetzt bewerten", "Oceń teraz"),
    "RATE_LATER": ("Remind me later", "Später erinnern", "Przypomnij później"),
}

# Placement: "BUILDING_PLACE_1 <build marker> BUILDING_PLACE_2" on one row.
MAP = {
    "BUILDING_PLACE_1": ("Tap a", "Tippe auf", "Dotknij"),
    "BUILDING_PLACE_2": ("to build there", "zum Bauen", "aby tam budować"),
    "UPGRADE_PLACE_1": ("Tap the", "Tippe auf", "Dotknij"),
    "UPGRADE_PLACE_2": ("to upgrade", "zum Ausbauen", "aby rozbudować"),
    "BUILDING_CONFIRM": ("Tap the same spot again to build.",
                         "Zum Bauen noch einmal tippen.",
                         "Dotknij jeszcze raz, aby budować."),
    # "BUILDING_BONUS 01:02:05"
    "BUILDING_BONUS": ("Bonus in", "Bonus in", "Premia za"),
    # "USE_TOOL <tool picture>"
    "USE_TOOL": ("Use", "Nutze", "Użyj"),
}

LISTS = {
    # followed by the missing buildings and "Lvl %d"
    "UPGRADES_NEED": ("Needs:", "Benötigt:", "Wymaga:"),
    "UPGRADES_BUTTON_HIRE": ("Hire", "Anheuern", "Zatrudnij"),
    "UPGRADES_BUTTON_BUILD": ("Build", "Bauen", "Buduj"),
    "UPGRADES_BUTTON_CRAFT": ("Craft", "Fertigen", "Wytwórz"),
    "BUTTON_CLOSE": ("Close", "Schließen", "Zamknij"),
    "INSTANT_BUY_ID": ("Buy now", "Sofort kaufen", "Kup od razu"),
    # above a worker's recipe: tiles now needed for one unit
    "WORKER_NOW": ("Now:", "Jetzt:", "Teraz:"),
    # level-up pop-up, before the gold reward
    "REWARD_TEXT": ("Reward:", "Belohnung:", "Nagroda:"),
    # between the goods price and the gold price
    "OR_ID": ("or", "oder", "lub"),
}

# Statistics: key labels are followed by " %d" on the same line.
STATISTICS = {
    "VILLAGE_LVL_1": ("Hamlet", "Weiler", "Przysiółek"),
    "VILLAGE_LVL_2": ("Settlement", "Siedlung", "Osada"),
    "VILLAGE_LVL_3": ("Village", "Dorf", "Wieś"),
    "VILLAGE_LVL_4": ("Town", "Kleinstadt", "Miasteczko"),
    "VILLAGE_LVL_5": ("City", "Stadt", "Miasto"),
    "VILLAGE_LVL_6": ("Royal city", "Königsstadt", "Gród królewski"),
    "HQ_IS_A": ("Your village is now a", "Dein Ort ist jetzt:", "Twoja osada to teraz:"),
    "HQ_TOTAL_POINTS": ("Score:", "Punkte:", "Punkty:"),
    "HQ_MAX_SCORE": ("Record:", "Rekord:", "Rekord:"),
    "HQ_FINGER_DISTANCE": ("Distance:", "Strecke:", "Dystans:"),
    "HQ_TAXES_TOTAL": ("Taxes:", "Steuern:", "Podatki:"),
    "HQ_RESOURCES_TOTAL": ("Goods made:", "Waren erzeugt:", "Wytworzone dobra:"),
    "HQ_MINE_VISITS": ("Mine trips:", "Minenbesuche:", "Wizyty w kopalni:"),
    "HQ_RESOURCES_SPENT": ("Goods used:", "Waren verbraucht:", "Zużyte dobra:"),
    "HQ_FILEDS_VISITS": ("Field trips:", "Feldbesuche:", "Wizyty na polu:"),
    "HQ_MONEY_EARNED": ("Gold earned:", "Gold verdient:", "Zarobione złoto:"),
    "HQ_MINE_MOVES": ("Mine moves:", "Züge (Mine):", "Ruchy w kopalni:"),
    "HQ_MONEY_SPENT": ("Gold spent:", "Gold ausgegeben:", "Wydane złoto:"),
    "HQ_FIELDS_MOVES": ("Field moves:", "Züge (Felder):", "Ruchy na polu:"),
    "HQ_BUILDINGS": ("Buildings:", "Gebäude:", "Budynki:"),
    "HQ_MAX_MINE": ("Best mine haul:", "Beste Ausbeute:", "Najlepszy urobek:"),
    "HQ_TOOLS_USED": ("Tools used:", "Werkzeuge benutzt:", "Użyte narzędzia:"),
    "HQ_MAX_FIELDS": ("Best harvest:", "Beste Ernte:", "Najlepsze plony:"),
    "HQ_WORKERS_HIRED": ("Workers hired:", "Angeheuert:", "Zatrudnieni:"),
    "HQ_HIGSCORE_MINE": ("Mine record:", "Minenrekord:", "Rekord kopalni:"),
    "HQ_RATS_KILLED": ("Rabbits caught:", "Hasen gefangen:", "Złapane zające:"),
    "HQ_HIGSCORE_FIELDS": ("Field record:", "Feldrekord:", "Rekord pola:"),
    "HQ_WOLVES_KILLED": ("Wolves chased off:", "Wölfe verjagt:", "Przegnane wilki:"),
    "HQ_YEAR": ("Moves a year:", "Züge pro Jahr:", "Ruchy na rok:"),
    "HQ_PLANTS_EATEN": ("Crops lost:", "Verlorene Ernte:", "Zjedzone plony:"),
    "HQ_SUPPLIES": ("Max. food:", "Max. Proviant:", "Maks. prowiant:"),
    "HQ_ANIMALS_EATEN": ("Animals lost:", "Verlorene Tiere:", "Stracone zwierzęta:"),
    "HQ_BONUS_COINS": ("Bonus coins:", "Bonusmünzen:", "Złote monety:"),
    "HQ_EXPLOSIONS": ("Explosions:", "Explosionen:", "Wybuchy gazu:"),
    "HQ_BUTTON_TAXES": ("Collect", "Einsammeln", "Zbierz"),
}

NOTIFICATIONS = {
    "NOTIF_TAX_BUTTON": ("Collect", "Einsammeln", "Odbierz"),
    "NOTIF_TAX_TEXT_1": ("Taxes are in! The chest in the village office is full.",
                         "Die Steuern sind da! Die Truhe im Dorfamt ist voll.",
                         "Podatki zebrane! Skrzynia w urzędzie jest pełna."),
    "NOTIF_TAX_TEXT_2": ("Your villagers have paid their taxes. Come and collect the gold!",
                         "Deine Dorfbewohner haben Steuern gezahlt. Hol dir das Gold!",
                         "Mieszkańcy zapłacili podatki. Przyjdź po złoto!"),
    "NOTIF_TAX_TEXT_3": ("Gold is waiting for you in the village chest.",
                         "In der Dorftruhe wartet Gold auf dich.",
                         "W skrzyni osady czeka na ciebie złoto."),
}

TUTORIAL_COMMON = {
    "HIRED_TEXT": ("A new helper has joined your village!",
                   "Ein neuer Helfer ist in dein Dorf gezogen!",
                   "Do osady dołączył nowy pomocnik!"),
    "TAP_TO_CONT": ("Tap to continue", "Tippen zum Fortfahren", "Dotknij, aby kontynuować"),
}

BOARDS = {
    "FREE_MOVE": ("Free move!", "Gratiszug!", "Darmowy ruch!"),
    "NO_MORE_MOVES_A": ("No chain is left on the board. Use a tool, or shuffle the tiles?",
                        "Auf dem Brett ist keine Kette mehr möglich. Werkzeug benutzen oder neu mischen?",
                        "Na planszy nie ma już żadnego łańcucha. Użyć narzędzia czy przetasować?"),
    "NO_MORE_MOVES_B": ("No chain is left on the board. The tiles will be shuffled.",
                        "Auf dem Brett ist keine Kette mehr möglich. Die Steine werden neu gemischt.",
                        "Na planszy nie ma już żadnego łańcucha. Kafelki zostaną przetasowane."),
    "NO_MORE_MOVES_NO": ("Shuffle", "Mischen", "Przetasuj"),
    "NO_MORE_MOVES_YES": ("Tools", "Werkzeuge", "Narzędzia"),
    "NO_TOOLS": ("No tools yet", "Keine Werkzeuge", "Brak narzędzi"),
    # food pop-up
    "MINE_OK": ("Dig!", "Los!", "Kopiemy!"),
    "BUY_MOVES": ("More moves", "Mehr Züge", "Więcej ruchów"),
    # leaving a session early
    "EXIT_HEAD": ("Head home?", "Heimgehen?", "Wracasz?"),
    "EXIT_BODY": ("If you leave now, everything from this trip is lost, and so are the food and gold you spent on it.",
                  "Wenn du jetzt gehst, ist alles aus dieser Runde verloren, auch der Proviant und das Gold dafür.",
                  "Jeśli teraz wyjdziesz, stracisz wszystko z tej wyprawy, także prowiant i złoto wydane na nią."),
    # summaries
    "END_MINE_HEADER": ("Shift over!", "Schicht vorbei!", "Koniec zmiany!"),
    "END_FIELDS_HEADER": ("Harvest done!", "Ernte eingefahren!", "Koniec żniw!"),
    "EXP": ("EXP", "EXP", "EXP"),
    "TILES": ("Tiles", "Steine", "Kafelki"),
    "BUTTON_SKIP": ("Go home", "Heimwärts", "Do domu"),
    "END_MINE_1": ("Still down in the mine:", "Das steckt noch in der Mine:", "W kopalni zostało jeszcze:"),
    "END_MINE_2": ("You dug out every treasure. Well done!",
                   "Du hast jeden Schatz ausgegraben. Gut gemacht!",
                   "Wszystkie skarby są już wydobyte. Brawo!"),
    "END_MINE_3": ("Tip: with a market in the village, you can buy more moves here.",
                   "Tipp: Mit einem Markt im Dorf kannst du hier weitere Züge kaufen.",
                   "Wskazówka: z targiem w osadzie kupisz tu dodatkowe ruchy."),
    "END_MINE_4": ("Keep digging? Buy more moves.", "Weitergraben? Kauf mehr Züge.",
                   "Kopać dalej? Kup więcej ruchów."),
    "END_MINE_5": ("Your finds are on their way to the village.",
                   "Deine Funde sind auf dem Weg ins Dorf.",
                   "Twoje znaleziska jadą już do osady."),
    "END_FIELDS_1": ("Still growing on this field:", "Das wächst noch auf dem Feld:",
                     "Na polu zostało jeszcze:"),
    "END_FIELDS_2": ("Nothing valuable is left on this field.",
                     "Auf dem Feld ist nichts Wertvolles mehr.",
                     "Na polu nie zostało nic cennego."),
    "END_FIELDS_3": ("Tip: with a market in the village, you can keep a good field for your next visit.",
                     "Tipp: Mit einem Markt im Dorf kannst du ein gutes Feld für den nächsten Besuch behalten.",
                     "Wskazówka: z targiem w osadzie zachowasz dobre pole na następną wizytę."),
    "END_FIELDS_4": ("Keep this field for next time?", "Feld fürs nächste Mal behalten?",
                     "Zachować to pole na następny raz?"),
    "END_FIELDS_5": ("Your harvest is on its way to the village.",
                     "Deine Ernte ist auf dem Weg ins Dorf.",
                     "Twoje plony jadą już do osady."),
    # the gate to the fields (a session costs 30 gold)
    "FIELD_POPUP_H": ("To the fields!", "Auf die Felder!", "Na pola!"),
    # Three short lines fit between the title and the buttons of the pop-up.
    "FIELD_POPUP": ("Chain crops and animals to bring in the harvest. A year of four seasons costs 30 gold.",
                    "Verbinde Pflanzen und Tiere zur Ernte. Ein Jahr mit vier Jahreszeiten kostet 30 Gold.",
                    "Łącz rośliny i zwierzęta, by zebrać plony. Rok czterech pór roku kosztuje 30 złota."),
}

# Achievement titles, shown on the banner and in the game-centre list.
ACHIEVEMENTS = {
    "ACH_CITYHALL": ("Summer in the City", "Sommer in der Stadt", "Lato w mieście"),
    "ACH_HIRE1": ("Now Hiring", "Wir stellen ein", "Szukamy rąk do pracy"),
    "ACH_SOUP12": ("Soup for All", "Suppe für alle", "Zupa dla wszystkich"),
    "ACH_PIE5": ("As Easy as Pie", "Ein Stück vom Kuchen", "Placek za plackiem"),
    "ACH_APPLE": ("The Big Apple", "Der große Apfel", "Wielkie jabłko"),
    "ACH_COW": ("Where's My Cow?", "Wo ist meine Kuh?", "Gdzie moja krowa?"),
    "ACH_DIAMOND": ("A Girl's Best Friend", "Funkelnde Freunde", "Najlepszy przyjaciel"),
    "ACH_GOLDBAR10": ("Fort Knox", "Goldreserve", "Skarbiec królewski"),
    "ACH_TOOLS100": ("Jack of All Trades", "Hansdampf", "Złota rączka"),
    "ACH_CARROT1": ("What's Up, Doc?", "Was geht, Doc?", "Co słychać, doktorku?"),
    "ACH_DIAMBOX1": ("Diamonds Are Forever", "Diamantenfieber", "Diamenty są wieczne"),
    "ACH_TILES36": ("Fields of Gold", "Goldene Felder", "Złote pola"),
    "ACH_GASBOOM": ("Kaboom!", "Bumm!", "Bum!"),
    "ACH_RUMBLEPILE": ("On the Rocks", "Steinreich", "Kamień na kamieniu"),
    "ACH_GOLD1": ("All That Glitters", "Es glänzt golden", "Złoty blask"),
    "ACH_TOWNHALL": ("Downtown", "Ab in die Stadt", "W centrum miasta"),
    "ACH_CASTLE": ("King of the Castle", "Herr der Burg", "Król zamku"),
    "ACH_RATEAT": ("Quiet as a Mouse", "Mäuschenstill", "Cicho jak myszka"),
    "ACH_PIGS3": ("Three Little Pigs", "Drei kleine Schweinchen", "Trzy małe świnki"),
    "ACH_EXP500": ("Achiever", "Fleißig", "Pracuś"),
    "ACH_SILVERBAR1": ("Shiny Silver", "Glänzendes Silber", "Lśniące srebro"),
    "ACH_COWHEARD": ("Moo!", "Muh!", "Muu!"),
    "ACH_COIN1": ("Money for Nothing", "Geld wie Heu", "Pieniądze za nic"),
    "ACH_DIRT36": ("Dust to Dust", "Staub zu Staub", "Z prochu w proch"),
    "ACH_TAX10000": ("Sure as Taxes", "Sicher wie Steuern", "Pewne jak podatki"),
    "ACH_WORK30": ("Corporation", "Großbetrieb", "Korporacja"),
    "ACH_FIELD100": ("Super Farmer", "Superbauer", "Super rolnik"),
    "ACH_SETTLE": ("Settler", "Siedler", "Osadnik"),
    "ACH_VILLAGE": ("Village People", "Dorfgemeinschaft", "Ludzie ze wsi"),
    "ACH_TAX1000": ("Tax Collector", "Steuereintreiber", "Poborca podatków"),
    "ACH_COALCART1": ("First Cartload", "Die erste Fuhre", "Pierwszy wózek"),
    "ACH_WOLF50": ("Little Red Riding Hood", "Rotkäppchen", "Czerwony Kapturek"),
    "ACH_WOLFEAT": ("Big Bad Wolf", "Der böse Wolf", "Zły wilk"),
    "ACH_FLOCK100": ("Chicks for Free", "Hühner gratis", "Kurczaki za darmo"),
    "ACH_TROPHY": ("Trophy Room", "Trophäensaal", "Sala trofeów"),
    "ACH_TOOL1": ("Do It Yourself", "Heimwerker", "Zrób to sam"),
    "ACH_TILESMINE1000": ("Gold Digger", "Goldrausch", "Gorączka złota"),
    "ACH_RATKILL100": ("Cat and Mouse", "Katz und Maus", "Kot i mysz"),
    "ACH_MINE50": ("Dig It!", "Grab dich durch!", "Kop, kop, kop!"),
    "ACH_EXP5000": ("Big Achiever", "Überflieger", "Wielki pracuś"),
    "ACH_TILESFIELD500": ("Great Harvest", "Große Ernte", "Wielkie żniwa"),
    "ACH_ALLFOOD": ("Balanced Diet", "Ausgewogene Kost", "Zdrowa dieta"),
    "ACH_RES1000": ("Hoarder", "Hamsterer", "Chomik"),
    "ACH_SHORT": ("A Short Walk", "Kleiner Spaziergang", "Krótki spacer"),
    "ACH_LONG": ("Miles to Walk", "Meilenweit", "Mile do przejścia"),
}

# Goods (resources 1-16) and the six coin packs (19-24), named after their
# pictures: the three animal goods are pictured as the animals themselves.
RESOURCE_NAMES = {
    "SOUP": ("Soup", "Suppe", "Zupa"),
    "PIE": ("Apple pie", "Apfelkuchen", "Szarlotka"),
    "BREAD": ("Bread", "Brot", "Chleb"),
    "FLOCK": ("Flock of hens", "Hühnerschar", "Stadko kur"),
    "DROVE": ("Drove of pigs", "Schweineherde", "Stado świń"),
    "HERD": ("Herd of cows", "Kuhherde", "Stado krów"),
    "IRON_BAR": ("Iron bar", "Eisenbarren", "Sztabka żelaza"),
    "SILVER_BAR": ("Silver bar", "Silberbarren", "Sztabka srebra"),
    "GOLD_BAR": ("Gold bar", "Goldbarren", "Sztabka złota"),
    "BUILDING_BLOCK": ("Stone block", "Baustein", "Blok kamienny"),
    "COAL_CART": ("Coal cart", "Kohlenlore", "Wózek węgla"),
    "TREASURE_CHEST": ("Treasure chest", "Schatztruhe", "Skrzynia skarbów"),
    "PLANK": ("Timber", "Bauholz", "Drewno"),
    "EARTH_RES": ("Soil", "Muttererde", "Gleba"),
    "GRASS_RES": ("Hay", "Heu", "Siano"),
    "RUBBLE_RES": ("Gravel", "Schotter", "Żwir"),
    "MONEY_1": ("Handful of gold", "Handvoll Gold", "Garść złota"),
    "MONEY_2": ("Pouch of gold", "Goldsäckchen", "Sakiewka złota"),
    "MONEY_3": ("Purse of gold", "Goldbörse", "Mieszek złota"),
    "MONEY_4": ("Sack of gold", "Goldsack", "Worek złota"),
    "MONEY_5": ("Chest of gold", "Goldtruhe", "Skrzynia złota"),
    "MONEY_6": ("Royal treasure", "Königsschatz", "Królewski skarb"),
}

# Coin-pack descriptions; {gold} is the pack's gold from the game data.
MONEY_DESC = {
    "MONEY_1_DESC": ("{gold} gold coins: just enough for a day in the fields or a quick build.",
                     "{gold} Goldmünzen: genug für einen Tag auf dem Feld oder einen schnellen Bau.",
                     "{gold} złotych monet: w sam raz na dzień na polu albo szybką budowę."),
    "MONEY_2_DESC": ("{gold} gold coins to buy goods at the market.",
                     "{gold} Goldmünzen für Einkäufe auf dem Markt.",
                     "{gold} złotych monet na zakupy na targu."),
    "MONEY_3_DESC": ("{gold} gold coins: build without waiting for goods.",
                     "{gold} Goldmünzen: bauen, ohne auf Waren zu warten.",
                     "{gold} złotych monet: buduj bez czekania na dobra."),
    "MONEY_4_DESC": ("{gold} gold coins for new buildings and tools.",
                     "{gold} Goldmünzen für neue Gebäude und Werkzeuge.",
                     "{gold} złotych monet na nowe budynki i narzędzia."),
    "MONEY_5_DESC": ("{gold} gold coins: a chest worthy of a town hall.",
                     "{gold} Goldmünzen: eine Truhe, würdig eines Rathauses.",
                     "{gold} złotych monet: skrzynia godna ratusza."),
    "MONEY_6_DESC": ("{gold} gold coins: a treasure fit for a king. Best value!",
                     "{gold} Goldmünzen: ein Schatz für Könige. Das beste Angebot!",
                     "{gold} złotych monet: skarb godny króla. Najlepsza oferta!"),
}

# Credits headings, shown in the order 1, 9, 2, 3, 4, 5, 6, 7, 8, 10; the
# names under them (what truly made the game: the project, its pictures,
# fonts and libraries) are in the credits block's code, not in the table.
CREDITS = {
    "CREDITS_1": ("A game by", "Ein Spiel von", "Gra autorstwa"),
    "CREDITS_9": ("Contributors", "Mitwirkende", "Współtwórcy"),
    "CREDITS_2": ("Pictures", "Bilder", "Grafika"),
    "CREDITS_3": ("Sounds and music", "Klänge und Musik", "Dźwięki i muzyka"),
    "CREDITS_4": ("Window and drawing", "Fenster und Zeichnen", "Okno i rysowanie"),
    "CREDITS_5": ("Fonts", "Schriften", "Czcionki"),
    "CREDITS_6": ("Sound playback", "Tonwiedergabe", "Odtwarzanie dźwięku"),
    "CREDITS_7": ("Decoding", "Dekodierung", "Dekodowanie"),
    "CREDITS_8": ("Licences and notices", "Lizenzen und Hinweise", "Licencje i informacje"),
    "CREDITS_10": ("Made with", "Erstellt mit", "Wykorzystano"),
}

# End of content: the frame after the castle, and the last row of the
# buildings list (ENDGAME_H, ENDGAME_1, ENDGAME_4). The fifth line is
# "ENDGAME_5 <metres> ENDGAME_M".
ENDGAME = {
    "ENDGAME_H": ("Congratulations!", "Glückwunsch!", "Gratulacje!"),
    "ENDGAME_1": ("A castle now stands where there was only a clearing.",
                  "Wo einst eine Lichtung war, steht jetzt eine Burg.",
                  "Tam, gdzie była polana, stoi teraz zamek."),
    "ENDGAME_2": ("Your village has become a royal city.",
                  "Dein Dorf ist eine Königsstadt geworden.",
                  "Twoja osada stała się grodem królewskim."),
    "ENDGAME_3": ("Thank you for playing!", "Danke fürs Spielen!", "Dziękujemy za grę!"),
    "ENDGAME_4": ("New buildings are on their way. Stay tuned!",
                  "Neue Gebäude sind schon in Planung. Bleib dran!",
                  "Nowe budynki są już w drodze. Zaglądaj do nas!"),
    "ENDGAME_5": ("Your chains add up to", "Deine Ketten sind zusammen", "Twoje łańcuchy mają łącznie"),
    "ENDGAME_M": ("metres.", "Meter lang.", "m długości."),
}

TABLES = [MAIN_MENU, SAVE_ALERTS, INTRO, OPTIONS, STORE, RATING, MAP, LISTS, STATISTICS, NOTIFICATIONS,
          TUTORIAL_COMMON, BOARDS, ACHIEVEMENTS, CREDITS, ENDGAME]
