#include "data/MainData.h"

namespace data {

// The article tables of the articles page; they hold nothing yet, so entering and leaving
// the page has nothing to load or discard.
void TMainDM::OpenArticleData() {}

void TMainDM::CloseArticleData()
{
    dseVatRates.Close();
}

} // namespace data
