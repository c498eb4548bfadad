// The program's "|"-separated file filters in the form Qt's file dialogs take.
#pragma once

#include <QString>
#include <QStringList>

namespace velmora::app {

/// "Text (*.a;*.b)|*.a;*.b|All (*.*)|*.*|" becomes {"Text (*.a *.b)", "All (*)"}: each pair of
/// description and pattern list turns into one Qt name filter whose patterns are the second part.
QStringList QtNameFilters(const QString& filter);

/// The file-name extension Qt should add when the user types none: the first pattern of the
/// selected filter ("*.rot" gives "rot"), or empty for "*.*".
QString DefaultSuffix(const QString& nameFilter);

}  // namespace velmora::app
