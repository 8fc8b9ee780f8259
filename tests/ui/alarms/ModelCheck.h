// Runs QAbstractItemModelTester on a model for the lifetime of the object
// and turns each of its complaints into a test failure.
#pragma once

#include <QAbstractItemModelTester>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

class ModelCheck {
public:
    explicit ModelCheck(QAbstractItemModel* model)
    {
        Complaints().clear();
        m_previous = qInstallMessageHandler(&ModelCheck::Collect);
        m_tester = std::make_unique<QAbstractItemModelTester>(
            model, QAbstractItemModelTester::FailureReportingMode::Warning);
    }
    ~ModelCheck()
    {
        m_tester.reset();
        qInstallMessageHandler(m_previous);
        for (const std::string& complaint : Complaints())
            ADD_FAILURE() << "model tester: " << complaint;
    }
    ModelCheck(const ModelCheck&) = delete;
    ModelCheck& operator=(const ModelCheck&) = delete;

private:
    static std::vector<std::string>& Complaints()
    {
        static std::vector<std::string> complaints;
        return complaints;
    }
    static void Collect(QtMsgType type, const QMessageLogContext& context, const QString& message)
    {
        if (type != QtDebugMsg && type != QtInfoMsg && context.category != nullptr &&
            std::string_view(context.category) == "qt.modeltest")
            Complaints().push_back(message.toStdString());
    }

    QtMessageHandler m_previous = nullptr;
    std::unique_ptr<QAbstractItemModelTester> m_tester;
};
