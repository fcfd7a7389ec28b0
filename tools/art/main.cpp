// dm_art --out <program folder> --fonts <DejaVu folder> --data <data folder> [--sheet <contact sheet .png>]
//        [--model-sheet <model sheet .png>] [--timing]
// Writes the fonts, the pointer, the front-end and battle-bar pictures, the interface sounds and
// the title music into the program folder's store.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "AssetStore.h"
#include "BattleBar.h"
#include "BattleScreen.h"
#include "Battlefield.h"
#include "BitmapFonts.h"
#include "CombatSounds.h"
#include "ContactSheet.h"
#include "FrontEnd.h"
#include "GameData.h"
#include "ModelSheet.h"
#include "PngWriter.h"
#include "Skins.h"
#include "Sounds.h"
#include "Sprites.h"
#include "UnitPictures.h"

int main(int argc, char** argv) {
    std::string out, fontDir, sheet, modelSheet, dataDir;
    bool timing = false;
    for (int i = 1; i < argc; ++i)
        if (!std::strcmp(argv[i], "--timing")) timing = true;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--timing")) {
            --i;
            continue;
        }
        if (!std::strcmp(argv[i], "--out"))
            out = argv[i + 1];
        else if (!std::strcmp(argv[i], "--fonts"))
            fontDir = argv[i + 1];
        else if (!std::strcmp(argv[i], "--sheet"))
            sheet = argv[i + 1];
        else if (!std::strcmp(argv[i], "--data"))
            dataDir = argv[i + 1];
        else if (!std::strcmp(argv[i], "--model-sheet"))
            modelSheet = argv[i + 1];
    }
    if (out.empty() || fontDir.empty() || dataDir.empty()) {
        std::fprintf(stderr,
                     "usage: dm_art --out <program folder> --fonts <DejaVu folder> --data <data folder>\n");
        return 2;
    }
    GameData data;
    if (!data.Load(dataDir)) return 1;
    AssetStore store;
    if (!store.Open(out)) {
        std::fprintf(stderr, "art: cannot make the store folders in %s\n", out.c_str());
        return 1;
    }
    store.KeepPictures(!sheet.empty());
    Fonts fonts;
    fonts.faceDir = fontDir;
    for (int f = 0; f < kFontCount; ++f) {
        if (!fonts[f].Render(f, fontDir)) {
            std::fprintf(stderr, "art: cannot render font %d from %s\n", f, fontDir.c_str());
            return 1;
        }
        store.Picture(f, fonts[f].Bitmap());
    }
    // Each family of the store in turn; with --timing the time each takes goes to stderr.
    bool ok = true;
    auto family = [&](const char* name, auto make) {
        const auto start = std::chrono::steady_clock::now();
        const int before = store.Written();
        if (make() == false) ok = false;
        const double ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        if (timing)
            std::fprintf(stderr, "art: %-28s %5d files %8.1f ms\n", name, store.Written() - before, ms);
    };
    family("pointer, front end, bar", [&] {
        MakePointer(store);
        MakeFrontEnd(store, fonts);
        MakeBattleBar(store, fonts);
        return true;
    });
    family("interface sounds, music", [&] {
        MakeSounds(store);
        return true;
    });
    family("battle screen", [&] {
        MakeBattleScreen(store, fonts, data);
        return true;
    });
    family("battlefield textures", [&] {
        MakeBattlefield(store, data);
        return true;
    });
    family("trees, palms, doodads", [&] {
        MakeVegetation(store);
        return true;
    });
    family("effects", [&] {
        MakeEffects(store);
        return true;
    });
    family("faces, uniforms, guns, vehicles", [&] {
        MakeSkins(store, data);
        MakeUnitPictures(store, data);
        return true;
    });
    family("combat sounds and voices", [&] { return MakeCombatSounds(store, data); });
    if (!ok) return 1;
    if (!sheet.empty() && !WritePng(sheet, MakeContactSheet(store.Kept(), fonts), false)) {
        std::fprintf(stderr, "art: cannot write the contact sheet %s\n", sheet.c_str());
        return 1;
    }
    if (!modelSheet.empty() && !WritePng(modelSheet, MakeModelSheet(fonts), false)) {
        std::fprintf(stderr, "art: cannot write the model sheet %s\n", modelSheet.c_str());
        return 1;
    }
    return store.Failed() ? 1 : 0;
}
