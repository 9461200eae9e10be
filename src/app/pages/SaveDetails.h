#pragma once

#include "data/MainData.h"

#include <QString>

#include <vector>

namespace app {

// The texts behind the "Details" button of the pages' boxes: what a save will write before
// the user says yes, and why it failed afterwards. Rates as the lists show them.

// "Mwst Satz 1: 7,00 % → 5,00 %" per slot, each followed by the accounts that follow it.
QString GeneralChangeDetails(const std::vector<data::TSlotChangePreview>& changes);
// The articles that will be written, then those listed apart as "unverändert".
QString ArticleChangeDetails(const std::vector<data::TArticleChangePreview>& changes);
// Each article that was not written, with its reason.
QString ArticleFailureDetails(const std::vector<data::TMainDM::TArticleFailure>& failures);
// Why the open failed: each connection tried with the client's words, or the step's error.
QString OpenFailureDetails(const std::vector<data::TMainDM::TConnectAttempt>& attempts,
                           const data::TDbFailure& afterConnect);

} // namespace app
