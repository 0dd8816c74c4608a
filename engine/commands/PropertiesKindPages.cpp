// The page of each kind of entity in the properties dialog: points, sizes, angles, a text's
// string and look, a polyline's vertices, a block, a hatch's pattern, an image's file...
#include "engine/commands/DimensionPage.h"
#include "engine/commands/PropertyFields.h"

namespace cad {

using namespace properties;

void PropertiesDialog::addKindPage(EntityType type) {
    auto* page = new QWidget;
    page->setObjectName(name("Kind"));
    auto* layout = new QVBoxLayout(page);
    auto* form = new QFormLayout;
    layout->addLayout(form);
    Page p(d_, handles_, fields_, form);
    const Drawing& d = d_;
    int title = 0;
    switch (type) {
    case EntityType::Line:
        title = kLine;
        p.point(kFirstPoint, name("First"), member(&Drawing::lines, &LineData::a));
        p.point(kSecondPoint, name("Second"), member(&Drawing::lines, &LineData::b));
        p.length(kLineLength);
        p.measured(kLineAngle, name("Angle"), &EntityMeasure::angle);
        break;
    case EntityType::Polyline:
    case EntityType::Spline: {
        title = type == EntityType::Spline ? kSpline : kPolyline;
        p.check(kClosed, name("Closed"), flag(EntityFlag::Closed));
        p.length(kPolylineLength);
        p.area(kPolylineArea);
        if (handles_.size() != 1)
            break;
        // The vertices of one polyline (the fit points of a curve through them).
        auto* group = new QGroupBox(engineText(kVertices));
        auto* inGroup = new QVBoxLayout(group);
        const bool polyline = type == EntityType::Polyline;
        auto* table = new QTableWidget(0, polyline ? 3 : 2);
        table->setObjectName(name("Vertices"));
        QStringList headers{QStringLiteral("X"), QStringLiteral("Y")};
        if (polyline)
            headers << engineText(kBulgeHeader);
        table->setHorizontalHeaderLabels(headers);
        table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
        table->setSelectionMode(QAbstractItemView::SingleSelection);
        table->setMinimumHeight(160);
        auto vertices = std::make_unique<VertexField>(table, d, handles_.front());
        VertexField* field = vertices.get();
        fields_.push_back(std::move(vertices));
        inGroup->addWidget(table);
        auto* buttons = new QHBoxLayout;
        const std::pair<int, const char*> actions[] = {{kAddVertex, "AddVertex"},
                                                       {kInsertVertex, "InsertVertex"},
                                                       {kDeleteVertex, "DeleteVertex"}};
        for (const auto& [label, role] : actions) {
            auto* b = new QPushButton(engineText(label));
            b->setObjectName(name(role));
            b->setAutoDefault(false);
            buttons->addWidget(b);
            connect(b, &QPushButton::clicked, this, [field, label = label] {
                if (label == kAddVertex)
                    field->add();
                else if (label == kInsertVertex)
                    field->insert();
                else
                    field->remove();
            });
        }
        buttons->addStretch();
        inGroup->addLayout(buttons);
        layout->addWidget(group);
        break;
    }
    case EntityType::Circle:
        title = kCircle;
        p.point(kCircleCentre, name("Centre"), member(&Drawing::circles, &CircleData::centre));
        p.number(kCircleRadius, name("Radius"), member(&Drawing::circles, &CircleData::radius),
                 positive);
        p.length(kCircleLength);
        p.area(kCircleArea);
        break;
    case EntityType::Arc:
    case EntityType::Sector: {
        // A sector is an arc closed through its centre: the same fields, its own table.
        const bool sector = type == EntityType::Sector;
        const auto table = sector ? &Drawing::sectors : &Drawing::arcs;
        title = sector ? kSector : kArc;
        p.point(kArcCentre, name("Centre"), member(table, &ArcData::centre));
        p.number(kArcRadius, name("Radius"), member(table, &ArcData::radius), positive);
        // Shown as a start and a sweep: a new start turns the arc, a new sweep moves its end.
        p.number(kStartAngle, name("StartAngle"),
                 {[table](const Drawing& dr, std::uint32_t h) {
                      return (dr.*table)[dr.entities[h].first].startAngle;
                  },
                  [](EntityChange& c, const double& v) {
                      ArcData& a = c.arc();
                      const double s = arcSweep(a.startAngle, a.endAngle);
                      a.startAngle = normalisedDegrees(v);
                      a.endAngle = normalisedDegrees(a.startAngle + s);
                  }});
        p.number(kArcAngle, name("ArcAngle"),
                 {[table](const Drawing& dr, std::uint32_t h) {
                      const ArcData& a = (dr.*table)[dr.entities[h].first];
                      return arcSweep(a.startAngle, a.endAngle);
                  },
                  [](EntityChange& c, const double& v) {
                      ArcData& a = c.arc();
                      a.endAngle = normalisedDegrees(a.startAngle + v);
                  }},
                 sweep);
        p.length(kArcLength);
        if (sector)
            p.area(kArcArea);
        else
            p.computed(kArcArea, name("Area"), [](const Drawing& dr, std::uint32_t h) {
                return std::optional<double>(segmentArea(dr.arcs[dr.entities[h].first]));
            });
        break;
    }
    case EntityType::Ellipse:
        title = kEllipse;
        p.point(kEllipseCentre, name("Centre"), member(&Drawing::ellipses, &EllipseData::centre));
        p.pair(kEllipseRadius, name("RadiusX"), engineText(kHorizontal),
               member(&Drawing::ellipses, &EllipseData::radiusX), name("RadiusY"),
               engineText(kVertical), member(&Drawing::ellipses, &EllipseData::radiusY), positive);
        p.number(kEllipseAngle, name("Rotation"),
                 member(&Drawing::ellipses, &EllipseData::rotation));
        p.length(kEllipseLength);
        p.area(kEllipseArea);
        break;
    case EntityType::Rectangle:
        title = kRectangle;
        p.point(kRectangleCentre, name("Centre"),
                member(&Drawing::rectangles, &RectangleData::centre));
        p.number(kRectangleWidth, name("Width"),
                 member(&Drawing::rectangles, &RectangleData::width), positive);
        p.number(kRectangleHeight, name("Height"),
                 member(&Drawing::rectangles, &RectangleData::height), positive);
        p.number(kRectangleAngle, name("Rotation"),
                 member(&Drawing::rectangles, &RectangleData::rotation));
        p.area(kRectangleArea);
        break;
    case EntityType::Text: {
        title = kText;
        p.text(kTextString, name("Text"), TextField::Bytes::Engine,
               {[](const Drawing& dr, std::uint32_t h) {
                    return std::string(dr.textOf(dr.entities[h]));
                },
                [](EntityChange& c, const std::string& s) { c.setText(s); }});
        p.point(kTextPoint, name("Point"), member(&Drawing::texts, &TextData::p));
        p.number(kTextHeight, name("Height"), textParameter(&TextParams::height), positive);
        p.number(kTextRotation, name("Rotation"), textParameter(&TextParams::rotation));
        QStringList styles;
        for (const TextStyle& s : d.textStyles)
            styles << fromEngineText(s.name);
        p.choice(kTextStyle, name("Style"), styles, textParameter(&TextParams::style));
        QStringList alignments;
        for (int a = 0; a < 9; ++a)
            alignments << engineText(kFirstAlignment + a);
        p.choice(kAlignment, name("Align"), alignments, textParameter(&TextParams::align));
        break;
    }
    case EntityType::Insert: {
        title = kInsert;
        QStringList blocks;
        for (const Block& b : d.blocks)
            blocks << fromEngineText(b.name);
        // A block never comes to contain itself.
        p.choice(kBlockName, name("Block"), blocks,
                 {[](const Drawing& dr, std::uint32_t h) {
                      return int(dr.inserts[dr.entities[h].first].block);
                  },
                  [](EntityChange& c, const int& b) {
                      const Drawing& dr = c.drawing();
                      if (!dr.wouldRecurse(dr.ownerOf(static_cast<int>(c.handle())), b))
                          c.insert().block = b;
                  }});
        p.point(kInsertPoint, name("Point"), member(&Drawing::inserts, &InsertData::p));
        p.number(kInsertAngle, name("Rotation"), member(&Drawing::inserts, &InsertData::angle));
        p.number(kScaleX, name("ScaleX"), member(&Drawing::inserts, &InsertData::scaleX), nonZero);
        p.number(kScaleY, name("ScaleY"), member(&Drawing::inserts, &InsertData::scaleY), nonZero);
        // The block's size as inserted.
        const auto size = [](bool across) {
            return [across](const Drawing& dr, std::uint32_t h) {
                const InsertData& in = dr.inserts[dr.entities[h].first];
                const Rect r = dr.blockExtents(in.block);
                return std::optional<double>(across ? r.width() * std::abs(in.scaleX)
                                                    : r.height() * std::abs(in.scaleY));
            };
        };
        p.computed(kInsertWidth, name("Width"), size(true));
        p.computed(kInsertHeight, name("Height"), size(false));
        break;
    }
    case EntityType::Hatch: {
        title = kHatch;
        QStringList patterns;
        for (std::size_t i = 0; i < hatchPatterns().size(); ++i)
            patterns << engineText(kPatternTexts + static_cast<int>(i));
        p.choice(kPattern, name("Pattern"), patterns,
                 {patternRow, [](EntityChange& c, const int& row) {
                      const HatchPattern& pattern = hatchPatterns()[static_cast<std::size_t>(row)];
                      const PooledText bytes = c.pool(pattern.name);
                      HatchData& hatch = c.hatch();
                      hatch.pattern = bytes;
                      hatch.solid = pattern.lines.empty() ? 1 : 0;
                  }});
        p.number(kHatchAngle, name("Rotation"), member(&Drawing::hatches, &HatchData::angle));
        p.number(kHatchScale, name("Scale"), member(&Drawing::hatches, &HatchData::scale),
                 positive);
        break;
    }
    case EntityType::Image: {
        title = kImage;
        auto* browse = new QToolButton;
        browse->setObjectName(name("Browse"));
        browse->setText(QStringLiteral("..."));
        QLineEdit* file = p.text(
            kImageFile, name("File"), TextField::Bytes::FileSystem,
            {[](const Drawing& dr, std::uint32_t h) {
                 return std::string(dr.pooled(dr.images[dr.entities[h].first].path));
             },
             [](EntityChange& c, const std::string& path) { c.image().path = c.pool(path); }},
            browse);
        connect(browse, &QToolButton::clicked, this, [file] {
            Engine& e = engine();
            // Where the picture is, else beside the drawing.
            std::string folder;
            if (!file->text().isEmpty())
                folder = QFile::encodeName(QFileInfo(file->text()).absolutePath()).toStdString();
            else if (const Document* d = e.active())
                folder = folderOf(*d);
            const auto path =
                e.responder()->openFileName(e.text(kImage), e.text(kImageFilter), folder);
            if (path && !path->empty())
                file->setText(QFile::decodeName(QByteArray::fromStdString(*path)));
        });
        p.point(kImageCorner, name("Point"), member(&Drawing::images, &ImageData::p));
        p.number(kImageWidth, name("Width"), member(&Drawing::images, &ImageData::width), positive);
        p.number(kImageHeight, name("Height"), member(&Drawing::images, &ImageData::height),
                 positive);
        break;
    }
    case EntityType::Dimension: {
        // Its own page (engine/commands/DimensionPage.h) instead of fields.
        std::vector<DimensionPageEntry> entries;
        for (const std::uint32_t h : handles_) {
            const DimensionData data = d.dimensionOf(d.entities[h]);
            entries.push_back({data, measuredValue(data)});
        }
        std::vector<std::string> styles;
        for (const DimensionStyle& s : d.dimensionStyles)
            styles.push_back(s.name);
        delete page;
        dimensionPage_ = new DimensionPage(entries, styles);
        pages_->addTab(dimensionPage_, DimensionPage::title());
        return;
    }
    default:
        // Points and kinds without a page of their own: the common page alone.
        break;
    }
    if (title == 0) {
        delete page;
        return;
    }
    layout->addStretch();
    pages_->addTab(page, engineText(title));
}

} // namespace cad
