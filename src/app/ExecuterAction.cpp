#include "app/ExecuterAction.h"

#include <exception>

#include <QString>

#include "app/BoiteMessage.h"
#include "commun/EErreur.h"

using namespace Qt::StringLiterals;

bool ExecuterAction(QWidget *parent, const std::function<void()> &action)
{
    QString message;
    try {
        action();
        return true;
    } catch (const EErreur &e) {
        message = e.Message();
    } catch (const std::bad_alloc &) {
        message = u"Mémoire insuffisante."_s;
    } catch (const std::exception &e) {
        message = QString::fromUtf8(e.what());
    }
    // Shown outside the catch block: the box runs an event loop of its own.
    BoiteMessage::Erreur(parent, message);
    return false;
}
