#include "velkar.h"

namespace velkar {

TVelkar::TVelkar() {
    ListeCoupsPartie.reserve(4 * 6 * DemiCoupsPartieMax);
    Chercheur.Equipe = &Equipe;
}

int32_t TVelkar::ChangeFils(int32_t Nombre) { return 1 + Equipe.Redimensionne(Nombre - 1); }

void TVelkar::InitialiserPartie() {
    Position().InitialiserPosition();
    Chercheur.NouvellePartie();
    Equipe.NouvellePartie();
    ListeCoupsPartie.clear();
    PartieDepuisDebut = true;
    Tables.Vide();
}

void TVelkar::ViderTables() {
    Tables.Vide();
    Tables.Transposition.RemetRemplissage();
    Chercheur.NouvellePartie();
    Equipe.NouvellePartie();
    TPosition& Pos = Position();
    for (int32_t p = Pos.NumDemiCoup + 1; p <= NbDemiCoups; ++p) {
        Pos.EnEchec[p] = false;
        Pos.HistoriqueCle[p] = Pos.HistoriqueClePions[p] = 0;
    }
}

bool TVelkar::RedimensionneHash(int64_t NbEntrees) {
    return NbEntrees > 0 && Tables.Transposition.Alloue(static_cast<uint64_t>(NbEntrees));
}

}  // namespace velkar
