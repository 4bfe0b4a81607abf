#include "cli/interruption.h"
#include "cli/run_failure.h"

#include "common/general_exception.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

TEST(ExitCodeFor, EachCauseHasItsOwnCode)
{
    const struct {
        std::shared_ptr<GeneralException> failure;
        ExitCode code;
    } cases[] = {
        {std::make_shared<PortException>("Помилка відкриття  порту COM3"), ExitCode::PortFailure},
        {std::make_shared<TimeoutException>("Таймаут протягом операції читання з COM порту!"), ExitCode::NotAnswering},
        {std::make_shared<ReplyException>("Сигнатура НЕ ВІДПОВІДАЄ вибраній мікросхемі!"), ExitCode::NotAnswering},
        {std::make_shared<VerificationException>("Помилка Верифікації! (Спробуйте ще раз)!", 100),
         ExitCode::VerificationFailed},
        {std::make_shared<GeneralException>("Стирання пам'яті не підтримується цим прораматором!"),
         ExitCode::OtherFailure},
        {std::make_shared<ImageDamagedException>("Вбудований образ мікропрограми пошкоджений"), ExitCode::ImageDamaged},
        {std::make_shared<InterruptedException>("SIGHUP"), ExitCode::Interrupted},
    };
    for (const auto& c : cases)
        EXPECT_EQ(exitCodeFor(c.failure->kind()), c.code) << c.failure->what();
}

} // namespace
