// SPDX-License-Identifier: GPL-3.0-or-later
#include "PanelFactory.h"

#include "Panel.h"
#include "TypeDescription.h"

namespace Bevelpane {

QList<ControlClassInfo> PanelFactory::Classes() const { return {PanelClassInfo()}; }

QWidget* PanelFactory::CreateInstance(const QString& progIdOrClassId, QWidget* parent) {
    if (!PanelClassInfo().IsNamedBy(progIdOrClassId)) return nullptr;
    return new Panel(parent);
}

bool PanelFactory::CanUnloadNow() const { return Panel::LiveCount() == 0; }

}  // namespace Bevelpane
