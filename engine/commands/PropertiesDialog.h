// The properties of the selected entities: a common page (layer, line style, colour and width
// by layer or their own, fill) and, when all of them are of one kind, a page of that kind
// (points, sizes, angles, a text's string and look, a polyline's vertices...). A field shows a
// value only when every entity has it; a field left blank changes nothing. What the person
// changed is written to every entity and nothing else is touched.
#pragma once

#include "engine/edit/ChangeSet.h"

#include <QDialog>

#include <memory>
#include <vector>

class QTabWidget;

namespace cad {

class DimensionPage;

class PropertiesDialog final : public QDialog {
public:
    // The entities are live entities of the drawing itself.
    PropertiesDialog(const Drawing& d, std::vector<std::uint32_t> handles, QWidget* parent);
    ~PropertiesDialog() override;

    // Whether the person changed any field.
    bool changed() const;
    // Writes the changed fields into every entity, each kept in the change first; the area the
    // entities covered before and after.
    Rect apply(ChangeSet& changes) const;
    // Refuses, showing the field, while a changed field holds what it cannot take.
    void accept() override;

    // One value of the dialog: read from every entity, written to every one when changed.
    class Field;

private:
    void addCommonPage();
    void addKindPage(EntityType type);

    const Drawing& d_;
    std::vector<std::uint32_t> handles_;
    std::vector<std::unique_ptr<Field>> fields_;
    QTabWidget* pages_;
    DimensionPage* dimensionPage_ = nullptr; // the page of dimensions, when they are shown
};

} // namespace cad
