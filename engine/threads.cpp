#include "threads.h"

#include <cstdlib>

#include "../platform/plateforme.h"
#include "duties.h"
#include "searcher.h"

namespace velkar {

namespace {
// Pawn structures repeat so much that a helper's pawn table may be small.
constexpr uint64_t EntreesPionsAuxiliaire = (uint64_t{2} << 20) / sizeof(HashPion);
}  // namespace

// A helper's only duty: to stop when the team says so, or when the team
// has counted the nodes go asked for.  It keeps no clock, hears no input and
// reports nothing.
class TEquipe::TDevoirsAuxiliaire final : public TDevoirs {
public:
    explicit TDevoirsAuxiliaire(const TEquipe& Equipe) : Equipe(Equipe) {}
    bool Verifie(const TChercheur&) override {
        if (Equipe.ArretAuxiliaires.load(std::memory_order_relaxed)) return false;
        const uint64_t Limite = Equipe.LimitesAuxiliaires->Noeuds;
        return Limite == 0 || Equipe.NoeudsTous() < Limite;
    }

private:
    const TEquipe& Equipe;
};

// A helper: its board, pawn table and searcher, and the thread it runs on.
struct TEquipe::TAuxiliaire {
    TAuxiliaire(TEquipe& Equipe, int32_t Numero)
        : Numero(Numero), Chercheur(Pos, Equipe.Transposition, Pions), Devoirs(Equipe), Equipe(&Equipe) {}
    const int32_t Numero;  // 1, 2, ...
    TPosition Pos;
    TTablePions Pions;
    TChercheur Chercheur;
    TDevoirsAuxiliaire Devoirs;
    TEquipe* Equipe;
    plateforme::TFil* Fil = nullptr;
    uint64_t Vue = 0;  // the number of the last search it ran (or saw before it began)
};

TEquipe::TEquipe(TPosition& Partie, TTablesPartagees& Tables)
    : Transposition(Tables.Transposition), Chef(Partie, Tables.Transposition, Tables.Pions) {}

TEquipe::~TEquipe() { Termine(); }

void TEquipe::Termine() {
    {
        std::lock_guard<std::mutex> l(Verrou);
        FinFils = true;
    }
    Reveil.notify_all();
    for (auto& a : Auxiliaires) plateforme::AttendFil(a->Fil);
    Auxiliaires.clear();
    FinFils = false;
}

int32_t TEquipe::Redimensionne(int32_t Nombre) {
    Termine();
    for (int32_t k = 1; k <= Nombre; ++k) {
        std::unique_ptr<TAuxiliaire> a;
        try {
            a = std::make_unique<TAuxiliaire>(*this, k);
            if (!a->Pions.Alloue(EntreesPionsAuxiliaire)) break;
        } catch (const std::bad_alloc&) {
            break;
        }
        a->Chercheur.NouvellePartie();
        a->Vue = NumeroRecherche;
        a->Fil = plateforme::LanceFil(
            [](void* x) {
                TAuxiliaire& Lui = *static_cast<TAuxiliaire*>(x);
                Lui.Equipe->Boucle(Lui);
            },
            a.get());
        if (a->Fil == nullptr) break;
        Auxiliaires.push_back(std::move(a));
    }
    return NbAuxiliaires();
}

// A helper's search: the iterations every searcher runs.
// So that the threads do not all search the same tree at the same time, the
// odd helpers search the root moves after the first in the reverse order,
// the even ones one ply deeper than the main searcher.  (Measured with one
// helper: the reverse order took the time to depth 10 to 1/1.56 of one
// thread's, a ply deeper only to 1/1.19.)
void TEquipe::Boucle(TAuxiliaire& Auxiliaire) {
    for (;;) {
        {
            std::unique_lock<std::mutex> l(Verrou);
            Reveil.wait(l, [&] { return FinFils || NumeroRecherche != Auxiliaire.Vue; });
            if (FinFils) return;
            Auxiliaire.Vue = NumeroRecherche;
        }
        TChercheur& c = Auxiliaire.Chercheur;
        const bool Impair = Auxiliaire.Numero % 2 == 1;
        c.Prepare(*LimitesAuxiliaires, 1, IntervalleAuxiliaire, Auxiliaire.Devoirs, Impair ? 0 : 1, Impair);
        c.RepriseCoupsRecherche(Chef);
        c.Itere(false);
        {
            std::lock_guard<std::mutex> l(Verrou);
            if (--EnCours == 0) Fini.notify_all();
        }
    }
}

void TEquipe::Demarre(const TLimites& Limites) {
    {
        // The helpers sleep: their boards and limits may be set.
        std::lock_guard<std::mutex> l(Verrou);
        for (auto& a : Auxiliaires) {
            a->Pos = Chef.Plateau();
            a->Chercheur.OublieCompteurs();
        }
        LimitesAuxiliaires = &Limites;
        ArretAuxiliaires.store(false, std::memory_order_relaxed);
        EnCours = NbAuxiliaires();
        ++NumeroRecherche;
    }
    Reveil.notify_all();
}

void TEquipe::Arrete() {
    ArretAuxiliaires.store(true, std::memory_order_relaxed);
    std::unique_lock<std::mutex> l(Verrou);
    Fini.wait(l, [this] { return EnCours == 0; });
}

uint64_t TEquipe::NoeudsAuxiliaires() const {
    uint64_t n = 0;
    for (const auto& a : Auxiliaires) n += a->Chercheur.NoeudsPublies();
    return n;
}

uint64_t TEquipe::NoeudsTous() const { return Chef.NoeudsPublies() + NoeudsAuxiliaires(); }

uint64_t TEquipe::TbHitsAuxiliaires() const {
    uint64_t n = 0;
    for (const auto& a : Auxiliaires) n += a->Chercheur.TbHitsPublies();
    return n;
}

void TEquipe::NouvellePartie() {
    Chef.NouvellePartie();
    for (auto& a : Auxiliaires) {
        a->Chercheur.NouvellePartie();
        a->Pions.Vide();
    }
}

}  // namespace velkar
