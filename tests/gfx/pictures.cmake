# picture tests
