#include <gtest/gtest.h>
#include <memory>
#include "battle/battle_fixtures.h"
#include "battle/UnitID.h"
#include "units/Inanimate.h"
#include "units/Airplane.h"
TEST(Dbg, One) {
  Battle battle; battle.IBattleStub(); CurrentBattle c(&battle);
  auto* u = new Inanimate; u->IInanimate(2, 0, 1, 2, 0); battle.mUnits->Add(u);
  auto* p = new Airplane; battle.mUnits->Add(p);
  for (Unit* x : {static_cast<Unit*>(u), static_cast<Unit*>(p)}) {
  std::unique_ptr<GFile> f(NewScratchFile());
  x->Write(f.get());
  auto bytes = FileBytes(f.get());
  fprintf(stderr, "size %zu\n", bytes.size());
  Unit* r = ReadUnit(f.get());
  fprintf(stderr, "read %p failed %d\n", (void*)r, f->HasFailed());
  if (r) fprintf(stderr, "damaged %d\n", r->RecordDamaged());
  delete r;
  }
}
