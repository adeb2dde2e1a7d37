// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialog/direct_access.h"

#include "common/tabchain.h"
#include "common/hexbyte.h"
#include "common/chip.h"
#include "common/spokenname.h"
#include "ui_direct_access.h"

#include <QAbstractButton>

namespace {

constexpr char hexByteMask[] = "HH";
constexpr int hexBase = 16;
constexpr int byteMask = 0xff;
constexpr char bitLabelFormat[] = "bit %d    %s";

// Whatever has been typed so far counts: "F" is 0x0F, an empty field 0. The
// input mask admits at most two hex digits, so the result is one byte.
quint8 hexFieldValue(const QLineEdit *field)
{
    return quint8(field->text().toInt(nullptr, hexBase) & byteMask);
}

} // namespace

direct_access::direct_access(QWidget *parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::direct_access>())
{
    ui->setupUi(this);
    ui->lineEdit->setInputMask(QString::fromLatin1(hexByteMask));
    ui->lineEdit_2->setInputMask(QString::fromLatin1(hexByteMask));

    // The check box for bit N carries id N, so a click names its bit directly.
    QAbstractButton *const topDown[bitsPerRegister] = {
        ui->checkBox, ui->checkBox_2, ui->checkBox_3, ui->checkBox_4,
        ui->checkBox_5, ui->checkBox_6, ui->checkBox_7, ui->checkBox_8,
    };
    for (int row = 0; row < bitsPerRegister; ++row)
        ui->buttonGroup->setId(topDown[row], bitsPerRegister - 1 - row);
    connect(ui->buttonGroup, &QButtonGroup::idClicked, this, &direct_access::on_buttonGroup_buttonClicked);
    setTabChain(*this);
    // Named apart from the window, which the labels beside them lean on.
    setSpokenName(*ui->lineEdit, tr("Register address"));
    setSpokenName(*ui->lineEdit_2, tr("Data byte"));
    setSpokenName(*ui->pushButton, tr("Write register"));
    setSpokenName(*ui->pushButton_2, tr("Read register"));

    setWindowTitle(tr("Direct Register Access"));
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    connect(ui->pushButton, &QAbstractButton::clicked, this, &direct_access::writeRequested);
    connect(ui->pushButton_2, &QAbstractButton::clicked, this, &direct_access::readRequested);

    on_lineEdit_textChanged(ui->lineEdit->text());
}

direct_access::~direct_access() = default;

int direct_access::address() const
{
    return m_address;
}

int direct_access::data() const
{
    return m_data;
}

void direct_access::setData(int value)
{
    m_data = quint8(value & byteMask);
    ui->lineEdit_2->setText(hexByte(m_data));
}

// A new address only renames the bits; the chip is read on "Read" alone.
// A screen reader hears a bit as the register map names it, "bit 0, Comp
// Enable", or "bit 7" alone for a bit without a name.
void direct_access::on_lineEdit_textChanged(const QString &)
{
    m_address = hexFieldValue(ui->lineEdit);
    for (int bit = 0; bit < bitsPerRegister; ++bit) {
        QAbstractButton *box = ui->buttonGroup->button(bit);
        const char *name = bitName(m_address, bit);
        box->setText(QString::asprintf(bitLabelFormat, bit, name));
        const QString spoken = tr("bit %1").arg(bit);
        box->setAccessibleName(qstrcmp(name, unnamedBit) == 0 ? spoken
                                                                : tr("%1, %2").arg(spoken, QString::fromLatin1(name)));
    }
}

void direct_access::on_lineEdit_2_textChanged(const QString &)
{
    m_data = hexFieldValue(ui->lineEdit_2);
    // setChecked emits no clicked(), so this does not feed back into the
    // click handler.
    for (int bit = 0; bit < bitsPerRegister; ++bit)
        ui->buttonGroup->button(bit)->setChecked(m_data & (1 << bit));
}

void direct_access::on_buttonGroup_buttonClicked(int id)
{
    const int mask = 1 << id;
    setData(ui->buttonGroup->button(id)->isChecked() ? (m_data | mask) : (m_data & ~mask));
}
